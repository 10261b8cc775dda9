#pragma once
// Binding a conversion library's export by name, with the texts the user is
// told when the library or its export cannot be found.

#include <QString>

#include "base/Result.h"
#include "platform/DynamicLibrary.h"

// A loaded library and the address of one of its exports.
struct BoundExport {
    platform::DynamicLibrary library;
    void* function = nullptr;
};

// Loads the library at `path` and finds the export `name`; nothing is left
// loaded when either fails.
Result<BoundExport> BindDllProc(const QString& path, const char* name);
