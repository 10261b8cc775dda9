#pragma once
// The one way failures travel in the program: an operation that can fail
// returns its value or the Failure that stopped it. Below the window's
// handlers nothing shows a message; the handler that called the operation
// tells the user (workflow/UserMessages.h: ShowFailure), in the box the
// failure names, with its text as it stands.
// Plain values; any thread.

#include <QString>
#include <optional>
#include <utility>
#include <variant>

enum class FailureCause {
    Missing,      // a file, library, export or device that is not there
    Unreadable,   // there, but it cannot be opened or read
    Unwritable,   // cannot be created or written: no right, a full disk
    Invalid,      // not of the form it must have
    NoSound,      // the sound server or its device is unavailable or broke off
    Network,      // no server, no connection, or a transfer that broke off
    OutOfMemory,
    Cancelled,    // the user stopped it
    Internal,     // a library reported an error of its own
};

// The box the user is shown a failure in.
enum class FailureNotice {
    Prompt,        // a message box with the caption "提示"
    SystemPrompt,  // a message box with the caption "系统提示信息"
    Simple,        // the toolkit's simple message dialog
    ErrorBox,      // the error box of an error that ended a handler
};

struct Failure {
    FailureCause cause = FailureCause::Internal;
    QString text;  // what the user reads
    FailureNotice notice = FailureNotice::Prompt;
    int code = 0;  // the system's or library's own number, where the text tells it
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Failure failure) : v_(std::move(failure)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only when !ok().
    const Failure& failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Failure> v_;
};

// The outcome of an operation that yields nothing but success.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    const Failure& failure() const { return *failure_; }

private:
    std::optional<Failure> failure_;
};
using Status = Result<void>;
