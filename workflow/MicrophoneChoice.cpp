#include "workflow/MicrophoneChoice.h"

#include <algorithm>

MicrophoneChoice::MicrophoneChoice(Session& session, LiveAidsView& view,
                                   platform::SoundSources& sources, std::function<void()> keep,
                                   std::function<void()> inUseChanged)
    : s_(session),
      view_(view),
      sources_(sources),
      keep_(std::move(keep)),
      inUseChanged_(std::move(inUseChanged)),
      inUse_(s_.Studio.microphone) {}

void MicrophoneChoice::Start() {
    sources_.watch([this] { Refresh(); });
    Refresh();
}

MicrophoneChoice::~MicrophoneChoice() { sources_.watch({}); }

void MicrophoneChoice::Refresh() {
    Result<platform::SoundDeviceList> listed = sources_.list();
    // Without a server the list is empty and the default stands.
    devices_ = listed ? std::move(listed).value() : platform::SoundDeviceList{};
    const auto& microphones = devices_.microphones;
    const std::string& chosen = s_.Studio.microphone;
    const auto found = std::find_if(microphones.begin(), microphones.end(),
                                    [&](const platform::SoundSource& m) { return m.name == chosen; });
    const bool missing = !chosen.empty() && listed && found == microphones.end();
    const std::string before = inUse_;
    inUse_ = missing ? std::string() : chosen;
    if (missing != missingTold_) {
        view_.setLiveNote(missing ? QStringLiteral("所选话筒已不在，改用默认话筒") : QString());
        missingTold_ = missing;
    }
    QStringList descriptions;
    int current = microphones.empty() ? -1 : 0;
    for (size_t i = 0; i < microphones.size(); ++i) {
        descriptions << QString::fromStdString(microphones[i].description);
        if (!inUse_.empty() && microphones[i].name == inUse_) current = static_cast<int>(i);
    }
    view_.showMicrophones(descriptions, current);
    if (inUse_ != before && inUseChanged_) inUseChanged_();
}

void MicrophoneChoice::Choose(int index) {
    const auto& microphones = devices_.microphones;
    if (index < 0 || index >= static_cast<int>(microphones.size())) return;
    // The first is the server's default: it is followed wherever it goes.
    const bool followDefault = index == 0 && microphones[0].name == devices_.defaultSource;
    s_.Studio.microphone = followDefault ? std::string() : microphones[size_t(index)].name;
    if (keep_) keep_();
    Refresh();
}
