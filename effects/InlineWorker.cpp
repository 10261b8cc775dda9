#include "effects/InlineWorker.h"

namespace effects {

InlineWorker::InlineWorker() : schedule_{this, &InlineWorker::Schedule} {}

void InlineWorker::attach(const LV2_Worker_Interface* interface, LV2_Handle plugin) {
    interface_ = interface;
    plugin_ = plugin;
}

LV2_Worker_Status InlineWorker::Schedule(LV2_Worker_Schedule_Handle handle, uint32_t size,
                                         const void* data) {
    auto* worker = static_cast<InlineWorker*>(handle);
    if (!worker->interface_ || !worker->interface_->work) return LV2_WORKER_ERR_UNKNOWN;
    return worker->interface_->work(worker->plugin_, &InlineWorker::Respond, worker, size, data);
}

LV2_Worker_Status InlineWorker::Respond(LV2_Worker_Respond_Handle handle, uint32_t size,
                                        const void* data) {
    auto* worker = static_cast<InlineWorker*>(handle);
    const auto* bytes = static_cast<const unsigned char*>(data);
    worker->responses_.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

void InlineWorker::afterRun() {
    if (!interface_) return;
    // A response may schedule more work, whose responses wait for the next run.
    std::vector<std::vector<unsigned char>> responses;
    responses.swap(responses_);
    if (interface_->work_response)
        for (const auto& response : responses)
            interface_->work_response(plugin_, static_cast<uint32_t>(response.size()),
                                      response.data());
    if (interface_->end_run) interface_->end_run(plugin_);
}

}  // namespace effects
