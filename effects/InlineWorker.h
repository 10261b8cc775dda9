#pragma once
// The LV2 worker feature for a plugin run offline: work the plugin schedules
// is done at once on the same thread (there is no audio deadline to protect),
// and its responses are handed back after the run that scheduled it, as LV2
// requires. Dragonfly will not start without this feature. One thread.

#include <lv2/core/lv2.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <vector>

namespace effects {

class InlineWorker {
public:
    InlineWorker();
    InlineWorker(const InlineWorker&) = delete;
    InlineWorker& operator=(const InlineWorker&) = delete;

    // The feature to hand to the plugin; valid while this object lives.
    LV2_Worker_Schedule* feature() { return &schedule_; }

    // The plugin's worker interface, once it is instantiated (none: the
    // plugin schedules nothing, and any request is refused).
    void attach(const LV2_Worker_Interface* interface, LV2_Handle plugin);

    // Hands the responses of work done during the last run to the plugin.
    void afterRun();

private:
    static LV2_Worker_Status Schedule(LV2_Worker_Schedule_Handle handle, uint32_t size,
                                      const void* data);
    static LV2_Worker_Status Respond(LV2_Worker_Respond_Handle handle, uint32_t size,
                                     const void* data);

    LV2_Worker_Schedule schedule_;
    const LV2_Worker_Interface* interface_ = nullptr;
    LV2_Handle plugin_ = nullptr;
    std::vector<std::vector<unsigned char>> responses_;
};

}  // namespace effects
