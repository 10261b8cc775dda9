#include "effects/UridMap.h"

namespace effects {

UridMap::UridMap() : feature_{this, &UridMap::Map} {}

LV2_URID UridMap::map(const char* uri) {
    // 0 means "no URID" in LV2, so numbering starts at 1.
    const auto [entry, added] = ids_.try_emplace(uri, static_cast<LV2_URID>(ids_.size() + 1));
    return entry->second;
}

LV2_URID UridMap::Map(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<UridMap*>(handle)->map(uri);
}

}  // namespace effects
