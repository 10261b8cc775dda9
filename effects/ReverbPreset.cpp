#include "effects/ReverbPreset.h"

#include <array>

#include "effects/ReverbPlugin.h"

namespace effects {
namespace {

// Dragonfly's levels are percentages of the dry voice and of the reverb's
// early reflections and late tail. The dry voice stays at full level; the
// tail is mixed in below it so the words stay clear. The plugins' "decay"
// control is not the RT60 their impulse responses measure (size and damping
// shape the fall too), so the values were set by measuring (Schroeder, T20):
// at 8–48 kHz KTV 0.72–0.75 s, 录音棚 1.43–1.67 s, 音乐厅 2.46–2.75 s,
// inside the ranges StatedRt60 gives.
//
// KTV is the Plate's "Nested" model (nested comb and all-pass filters, no
// modulation): the dense, bright, short tail of a karaoke box's effect unit,
// at a sixth of the Room's cost (0.45 s against 2.7 s for a 4-minute voice),
// which matters because KTV is the reverb most songs are saved with. Its
// "early_level" is the level of its only (late) output; at 25 the tail
// carries as much energy against the voice (-19.8 dB for a click) as the
// Room's KTV did (-20.0 dB).
constexpr std::array kKtv{
    PluginSetting{"dry_level", 100},
    PluginSetting{"early_level", 25},
    PluginSetting{"algorithm", 1},
    PluginSetting{"width", 100},
    PluginSetting{"predelay", 10},
    PluginSetting{"decay", 0.75f},
    PluginSetting{"low_cut", 80},
    PluginSetting{"high_cut", 12000, true},
    PluginSetting{"early_damp", 9400, true},
};
constexpr std::array kStudio{
    PluginSetting{"dry_level", 100},
    PluginSetting{"early_level", 15},
    PluginSetting{"late_level", 25},
    PluginSetting{"size", 20},
    PluginSetting{"width", 100},
    PluginSetting{"predelay", 12},
    PluginSetting{"decay", 0.8f},
    PluginSetting{"diffuse", 80},
    PluginSetting{"early_send", 20},
    PluginSetting{"in_high_cut", 12000, true},
    PluginSetting{"in_low_cut", 80},
    PluginSetting{"early_damp", 10000, true},
    PluginSetting{"late_damp", 9400, true},
};
constexpr std::array kConcertHall{
    PluginSetting{"dry_level", 100}, PluginSetting{"early_level", 10},
    PluginSetting{"late_level", 25}, PluginSetting{"size", 36},
    PluginSetting{"width", 100},     PluginSetting{"delay", 16},
    PluginSetting{"decay", 2.6f},    PluginSetting{"diffuse", 90},
    PluginSetting{"early_send", 20}, PluginSetting{"high_cut", 10000, true},
    PluginSetting{"low_cut", 80},    PluginSetting{"high_xo", 5500, true},
};

constexpr const char* kPlateUri = "urn:dragonfly:plate";
constexpr const char* kRoomUri = "urn:dragonfly:room";
constexpr const char* kHallUri = "https://github.com/michaelwillis/dragonfly-reverb";

}  // namespace

QString ReverbPresetName(ReverbPreset preset) {
    switch (preset) {
        case ReverbPreset::None:
            return QStringLiteral("无");
        case ReverbPreset::Ktv:
            return QStringLiteral("KTV");
        case ReverbPreset::Studio:
            return QStringLiteral("录音棚");
        case ReverbPreset::ConcertHall:
            return QStringLiteral("音乐厅");
    }
    return {};
}

Rt60Range StatedRt60(ReverbPreset preset) {
    switch (preset) {
        case ReverbPreset::None:
            return {0, 0};
        case ReverbPreset::Ktv:
            return {0.5, 1.0};
        case ReverbPreset::Studio:
            return {1.3, 1.9};
        case ReverbPreset::ConcertHall:
            return {2.2, 3.0};
    }
    return {0, 0};
}

const ReverbPlugin& PluginFor(ReverbPreset preset) {
    static const ReverbPlugin kKtvPlugin{kPlateUri, "Dragonfly Plate Reverb", kKtv};
    static const ReverbPlugin kStudioPlugin{kRoomUri, "Dragonfly Room Reverb", kStudio};
    static const ReverbPlugin kHallPlugin{kHallUri, "Dragonfly Hall Reverb", kConcertHall};
    switch (preset) {
        case ReverbPreset::Studio:
            return kStudioPlugin;
        case ReverbPreset::ConcertHall:
            return kHallPlugin;
        default:
            return kKtvPlugin;
    }
}

}  // namespace effects
