#pragma once
// An environment variable set (or unset: std::nullopt) for the object's lifetime,
// and put back as it was afterwards.

#include <QByteArray>
#include <QtGlobal>
#include <optional>

class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value)
        : name_(name),
          old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<QByteArray>& value) {
        if (value) {
            qputenv(name_, *value);
        } else {
            qunsetenv(name_);
        }
    }
    const char* name_;
    std::optional<QByteArray> old_;
};
