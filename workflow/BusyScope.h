#pragma once
// Sets a busy flag for the lifetime of the object and restores what it was
// before, however the scope is left.

class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy), before_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = before_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    bool before_;
};
