// Stand-ins for ostrel.so.
//
// OSTREL_WITHOUT_EXPORT: a loadable library that exports something, but not
// `Ostrel`.
//
// OSTREL_OBSERVED: exports `Ostrel`, which first calls the observer that the
// test set through `SetOstrelObserver` (the test opens this same file itself
// to reach it) and then converts with the real library.
#include <dlfcn.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifdef OSTREL_WITHOUT_EXPORT

EXPORT int OstrelVersion() { return 1; }

#else

using Observer = void (*)(const char* sourcePath, const char* destinationPath);
static Observer observer = nullptr;

EXPORT void SetOstrelObserver(Observer callback) { observer = callback; }

EXPORT int Ostrel(const char* sourcePath, const char* destinationPath) {
    if (observer) observer(sourcePath, destinationPath);
    void* real = dlopen(REAL_OSTREL_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!real) return -100;
    using Convert = int (*)(const char*, const char*);
    auto convert = reinterpret_cast<Convert>(dlsym(real, "Ostrel"));
    const int result = convert ? convert(sourcePath, destinationPath) : -101;
    dlclose(real);
    return result;
}

#endif
