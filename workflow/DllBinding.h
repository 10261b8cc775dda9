#pragma once
// Binding a conversion library's export by name, with the messages the user
// sees when the library or its export cannot be found.

#include <QString>

#include "platform/DynamicLibrary.h"

// Loads the library at `path`; on failure shows why and returns an unloaded
// library.
platform::DynamicLibrary LoadDll(const QString& path);

// The address of the export `name`, or null after a message.
void* GetDllProc(const platform::DynamicLibrary& library, const char* name);

// Loads the library and finds the export; false (and nothing left loaded)
// when either fails.
bool BindDllProc(const QString& path, const char* name, platform::DynamicLibrary& library,
                 void*& function);
