#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

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

DynamicLibrary DynamicLibrary::Load(const QString& path, QString* error, bool resident) {
    // RTLD_LOCAL keeps the library's symbols (libmad's, LAME's) out of ours.
    void* handle = dlopen(path.toLocal8Bit().constData(),
                          RTLD_NOW | RTLD_LOCAL | (resident ? RTLD_NODELETE : 0));
    if (!handle && error) {
        const char* text = dlerror();
        *error = text ? QString::fromLocal8Bit(text) : QString();
    }
    return DynamicLibrary(handle);
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
