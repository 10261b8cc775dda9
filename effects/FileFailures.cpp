#include "effects/FileFailures.h"

#include <QFile>
#include <cstring>

namespace effects {
namespace {

QString Name(const std::string& path) { return QFile::decodeName(path.c_str()); }

QString SystemText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

}  // namespace

Failure UnreadableFile(const std::string& path, int errorNumber) {
    return {FailureCause::Unreadable,
            QStringLiteral("读取 %1 失败: %2").arg(Name(path), SystemText(errorNumber)),
            FailureNotice::Prompt, errorNumber};
}

Failure UnwritableFile(const std::string& path, int errorNumber) {
    return {FailureCause::Unwritable,
            QStringLiteral("写入 %1 失败: %2").arg(Name(path), SystemText(errorNumber)),
            FailureNotice::Prompt, errorNumber};
}

Failure InvalidFile(const std::string& path, const char* why) {
    return {FailureCause::Invalid,
            QStringLiteral("%1 无法处理: %2").arg(Name(path), QString::fromUtf8(why)),
            FailureNotice::Prompt, 0};
}

}  // namespace effects
