#include "workflow/ImportFailureCause.h"

#include "decoder/ostrel/Ostrel.h"
#include "decoder/pellin/Pellin.h"

namespace {

// Causes both libraries report alike.
const QString kSourceUnopenable = QStringLiteral("文件无法打开");
const QString kReadFailed = QStringLiteral("读取文件时出错");
const QString kDestinationUnopenable = QStringLiteral("无法在 temp 文件夹中创建 bgsound.wav");
const QString kWriteFailed = QStringLiteral("写入 bgsound.wav 失败，磁盘可能已满");
const QString kDecoderFailed = QStringLiteral("内存不足，解码器无法运行");

QString Unknown(int result) { return QStringLiteral("解码器报告错误 %1").arg(result); }

}  // namespace

QString OstrelFailureCause(int result) {
    switch (result) {
        case kOstrelSourceUnopenable:
            return kSourceUnopenable;
        case kOstrelReadFailed:
            return kReadFailed;
        case kOstrelNoAudio:
            return QStringLiteral("不是有效的 MP3 文件");
        case kOstrelRateChanged:
            return QStringLiteral("文件中途改变了采样率，无法作为一首伴奏");
        case kOstrelDestinationUnopenable:
            return kDestinationUnopenable;
        case kOstrelWriteFailed:
            return kWriteFailed;
        case kOstrelDecoderFailed:
            return kDecoderFailed;
        default:
            return Unknown(result);
    }
}

QString PellinFailureCause(int result) {
    switch (result) {
        case kPellinSourceUnopenable:
            return kSourceUnopenable;
        case kPellinReadFailed:
            return kReadFailed;
        case kPellinNotDecodable:
            return QStringLiteral("不是可以解码的音频文件");
        case kPellinNoAudio:
            return QStringLiteral("文件中没有声音");
        case kPellinTruncated:
            return QStringLiteral("文件不完整，下载或复制时被中断");
        case kPellinDestinationUnopenable:
            return kDestinationUnopenable;
        case kPellinWriteFailed:
            return kWriteFailed;
        case kPellinDecoderFailed:
            return kDecoderFailed;
        default:
            return Unknown(result);
    }
}
