#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <QFileInfo>
#include <utility>

namespace platform {

DynamicLibrary::~DynamicLibrary() { unload(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Result<DynamicLibrary> DynamicLibrary::Load(const QString& path, bool resident) {
    // RTLD_LOCAL keeps the library's symbols (libmad's, LAME's) out of ours.
    void* handle = dlopen(path.toLocal8Bit().constData(),
                          RTLD_NOW | RTLD_LOCAL | (resident ? RTLD_NODELETE : 0));
    if (handle) return DynamicLibrary(handle);
    const char* text = dlerror();
    // A bare name is looked up by the loader, not in the current folder.
    const bool missing = path.contains(u'/') && !QFileInfo::exists(path);
    return Failure{missing ? FailureCause::Missing : FailureCause::Unreadable,
                   text ? QString::fromLocal8Bit(text) : QString()};
}

void* DynamicLibrary::symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::unload() {
    if (handle_) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

}  // namespace platform
