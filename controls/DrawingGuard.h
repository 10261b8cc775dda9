#pragma once
// Keeps painting and window cutting of one button apart. Everything runs on
// the UI thread, so the guard can only be found taken by a nested call; such a
// call must not wait (it would wait for itself) but is put off instead.

class DrawingGuard {
public:
    // Held while alive; converts to false when the guard was already taken.
    class Hold {
    public:
        explicit Hold(DrawingGuard& guard) : guard_(guard.taken_ ? nullptr : &guard) {
            if (guard_) guard_->taken_ = true;
        }
        ~Hold() {
            if (guard_) guard_->taken_ = false;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        explicit operator bool() const { return guard_ != nullptr; }

    private:
        DrawingGuard* guard_;
    };

    bool taken() const { return taken_; }

private:
    bool taken_ = false;
};
