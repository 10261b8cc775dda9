#pragma once
// Owning handles for what lilv hands out, so that every path out of the
// reverb's set-up frees them. One thread at a time.

#include <lilv/lilv.h>

#include <memory>

namespace effects {

struct LilvWorldFree {
    void operator()(LilvWorld* world) const { lilv_world_free(world); }
};
using LilvWorldHandle = std::unique_ptr<LilvWorld, LilvWorldFree>;

struct LilvNodeFree {
    void operator()(LilvNode* node) const { lilv_node_free(node); }
};
using LilvNodeHandle = std::unique_ptr<LilvNode, LilvNodeFree>;

// An instance is deactivated (when it was activated) before it is freed, as
// LV2 requires.
class LilvInstanceHandle {
public:
    LilvInstanceHandle() = default;
    explicit LilvInstanceHandle(LilvInstance* instance) : instance_(instance) {}
    LilvInstanceHandle(const LilvInstanceHandle&) = delete;
    LilvInstanceHandle& operator=(const LilvInstanceHandle&) = delete;
    ~LilvInstanceHandle() { reset(); }

    void reset(LilvInstance* instance = nullptr) {
        if (instance_) {
            if (active_) lilv_instance_deactivate(instance_);
            lilv_instance_free(instance_);
        }
        instance_ = instance;
        active_ = false;
    }

    void activate() {
        lilv_instance_activate(instance_);
        active_ = true;
    }
    LilvInstance* get() const { return instance_; }
    explicit operator bool() const { return instance_ != nullptr; }

private:
    LilvInstance* instance_ = nullptr;
    bool active_ = false;
};

}  // namespace effects
