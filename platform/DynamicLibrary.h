#pragma once
// A shared library loaded by path, unloaded when the object goes away.

#include <QString>

#include "base/Result.h"

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at `path`; a failure's text is the loader's own
    // explanation (cause Missing when there is no such file). A `resident`
    // library stays in the process when the object goes (for libraries that
    // cannot be unloaded safely).
    static Result<DynamicLibrary> Load(const QString& path, bool resident = false);

    bool loaded() const { return handle_ != nullptr; }
    explicit operator bool() const { return loaded(); }

    // Address of the export `name`, or null.
    void* symbol(const char* name) const;

    template <typename Function>
    Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

    void unload();

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

}  // namespace platform
