#pragma once
// Which LV2 plugin plays each reverb preset, and the control values it is set
// to. Plain values; any thread.

#include <span>

#include "effects/ReverbPreset.h"

namespace effects {

struct PluginSetting {
    const char* symbol;  // the control port's LV2 symbol
    float value;
    // A filter frequency: held below the sample rate's Nyquist limit, where
    // the plugin's filters stop damping and the tail of a low-rate song would
    // die early.
    bool frequency = false;
};

// The share of the sample rate that a frequency setting stays below.
inline constexpr float kMaxFrequencyShareOfRate = 0.4f;

struct ReverbPlugin {
    const char* uri;
    const char* name;  // as the failure tells it
    std::span<const PluginSetting> settings;
};

// Only for a preset that is not neutral.
const ReverbPlugin& PluginFor(ReverbPreset preset);

}  // namespace effects
