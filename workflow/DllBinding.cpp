#include "workflow/DllBinding.h"

#include <QFileInfo>

Result<BoundExport> BindDllProc(const QString& path, const char* name) {
    Result<platform::DynamicLibrary> loaded = platform::DynamicLibrary::Load(path);
    if (!loaded) {
        const bool exists = QFileInfo::exists(path);
        return Failure{loaded.failure().cause,
                       exists ? QStringLiteral("无法加载动态链接库 ") + path + QStringLiteral(", ") +
                                    loaded.failure().text
                              : QStringLiteral("找不到文件:") + path};
    }
    BoundExport bound{std::move(loaded).value()};
    bound.function = bound.library.symbol(name);
    if (!bound.function) {
        return Failure{FailureCause::Missing,
                       QStringLiteral("GetProcAddress获取的") + QLatin1String(name) +
                           QStringLiteral("入口为空"),
                       FailureNotice::SystemPrompt};
    }
    return bound;
}
