#pragma once
// A shared library loaded by path, unloaded when the object goes away.

#include <QString>

namespace platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at `path`; on failure returns an unloaded object and
    // puts the loader's own explanation into `error` (when given). A
    // `resident` library stays in the process when the object goes (for
    // libraries that cannot be unloaded safely).
    static DynamicLibrary Load(const QString& path, QString* error = nullptr,
                               bool resident = false);

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
