#pragma once
// The LV2 URID map feature a plugin host must offer: every URI gets a number
// of its own, the same one each time it is asked for. One thread at a time
// (the plugins we host map only while being instantiated).

#include <lv2/urid/urid.h>

#include <memory>
#include <string>
#include <unordered_map>

namespace effects {

class UridMap {
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID map(const char* uri);
    // The feature to hand to a plugin; valid while this object lives.
    LV2_URID_Map* feature() { return &feature_; }

private:
    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri);

    std::unordered_map<std::string, LV2_URID> ids_;
    LV2_URID_Map feature_;
};

}  // namespace effects
