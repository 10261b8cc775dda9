#pragma once
// A conversion library of the program (ostrel.so, pellin.so) loaded for a
// test, and its one export called as the import calls it: source path,
// destination path, the library's result.

#include <QString>

#include "platform/DynamicLibrary.h"

class ConverterLibrary {
public:
    // Not a result of either library: the call hung or crashed.
    static constexpr int kHung = 1000;

    ConverterLibrary(const QString& path, const char* exportName);

    // Empty when the library and its export are there; else why not.
    const QString& error() const { return error_; }

    int convert(const QString& source, const QString& destination) const;

    // The call in a child process that is killed after `timeoutMs`, for the
    // inputs on which a faulty decoding loop would never return.
    int boundedConvert(const QString& source, const QString& destination,
                       int timeoutMs = 20000) const;

private:
    using Function = int (*)(const char*, const char*);
    platform::DynamicLibrary library_;
    Function function_ = nullptr;
    QString error_;
};
