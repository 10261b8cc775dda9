#include "workflow/ImportFailureCause.h"

#include "decoder/ostrel/Ostrel.h"

QString ImportFailureCause(int ostrelResult) {
    switch (ostrelResult) {
        case kOstrelSourceUnopenable:
            return QStringLiteral("文件无法打开");
        case kOstrelReadFailed:
            return QStringLiteral("读取文件时出错");
        case kOstrelNoAudio:
            return QStringLiteral("不是有效的 MP3 文件");
        case kOstrelRateChanged:
            return QStringLiteral("文件中途改变了采样率，无法作为一首伴奏");
        case kOstrelDestinationUnopenable:
            return QStringLiteral("无法在 temp 文件夹中创建 bgsound.wav");
        case kOstrelWriteFailed:
            return QStringLiteral("写入 bgsound.wav 失败，磁盘可能已满");
        case kOstrelDecoderFailed:
            return QStringLiteral("内存不足，解码器无法运行");
        default:
            return QStringLiteral("解码器报告错误 %1").arg(ostrelResult);
    }
}
