#pragma once
// The sound server's mixer as the mixer control sees it: two lines, the
// recording line (where the microphone is recorded) and the speakers line,
// each with a list of controls whose values are read and written as arrays
// of 32-bit numbers: volumes 0 to 65535 per channel, mutes 0 or 1, list
// controls 0 or 1 per item and channel (channel-major: all items of the
// first channel, then all of the next).
// UI thread only; change notifications arrive on the UI thread too.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

using MixerHandle = uint32_t;     // 0: none
using MixerControlId = uint32_t;  // 0: none

inline constexpr uint32_t kMixerVolumeMax = 65535;

enum class MixerLineKind { Recording, Speakers };

enum class MixerControlKind {
    Mute,
    Volume,
    SingleChoiceList,    // exactly one item on, as a recording source selector
    MultipleChoiceList,  // any items on at once
};

struct MixerControl {
    MixerControlId id = 0;
    MixerControlKind kind = MixerControlKind::Mute;
    bool uniform = false;  // one value serves every channel
    int itemCount = 0;     // list controls: items in each channel's list
};

struct MixerLine {
    int channelCount = 0;
    std::vector<MixerControl> controls;
};

class MixerBackend {
public:
    // Something about the line opened as `handle` changed.
    using ChangeHandler = std::function<void(MixerHandle handle)>;

    virtual ~MixerBackend() = default;

    // Opens the line of `kind`; later changes of it are reported to
    // `onChange` with the returned handle, also changes made by other
    // programs. 0 when there is no such line (or no server at all).
    virtual MixerHandle openLine(MixerLineKind kind, ChangeHandler onChange) = 0;

    // Forgets the handle; no notification for it arrives afterwards.
    virtual void closeLine(MixerHandle handle) = 0;

    virtual bool describeLine(MixerHandle handle, MixerLine& line) = 0;

    // `channels` × max(`items`, 1) values.
    virtual bool readValues(MixerHandle handle, MixerControlId control, int channels, int items,
                            std::vector<uint32_t>& values) = 0;
    virtual bool writeValues(MixerHandle handle, MixerControlId control, int channels, int items,
                             const std::vector<uint32_t>& values) = 0;

    // Names of the items of a list control, laid out like its values.
    virtual bool readItemNames(MixerHandle handle, MixerControlId control, int channels, int items,
                               std::vector<std::string>& names) = 0;
};

}  // namespace platform
