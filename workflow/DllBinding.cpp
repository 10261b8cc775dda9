#include "workflow/DllBinding.h"

#include <QFileInfo>

#include "platform/UserMessages.h"

platform::DynamicLibrary LoadDll(const QString& path) {
    QString error;
    platform::DynamicLibrary library = platform::DynamicLibrary::Load(path, &error);
    if (!library) {
        platform::Messages().messageBox(
            QFileInfo::exists(path)
                ? QStringLiteral("无法加载动态链接库 ") + path + QStringLiteral(", ") + error
                : QStringLiteral("找不到文件:") + path,
            QStringLiteral("提示"));
    }
    return library;
}

void* GetDllProc(const platform::DynamicLibrary& library, const char* name) {
    void* function = library.symbol(name);
    if (!function) {
        platform::Messages().messageBox(QStringLiteral("GetProcAddress获取的") +
                                            QLatin1String(name) + QStringLiteral("入口为空"),
                                        QStringLiteral("系统提示信息"));
    }
    return function;
}

bool BindDllProc(const QString& path, const char* name, platform::DynamicLibrary& library,
                 void*& function) {
    library = LoadDll(path);
    if (!library) return false;
    function = GetDllProc(library, name);
    if (function) return true;
    library.unload();
    return false;
}
