#pragma once
// "话筒": which microphone takes, the level meter and hearing oneself use.
// The list is the server's microphones, its default first; choosing the
// first follows the server's default (kept as ""), another is kept by its
// name in the singer's settings. A kept one that is not there (unplugged)
// gives way to the default, with a line saying so, until it is back. The
// list follows the server's changes without a restart.
// UI thread only.

#include <functional>
#include <string>

#include "platform/SoundSources.h"
#include "workflow/LiveAidsView.h"
#include "workflow/Session.h"

class MicrophoneChoice {
public:
    // `keep` writes the singer's settings; `inUseChanged` is told when the
    // microphone in use becomes another.
    MicrophoneChoice(Session& session, LiveAidsView& view, platform::SoundSources& sources,
                     std::function<void()> keep, std::function<void()> inUseChanged);
    ~MicrophoneChoice();

    // Watches the server's devices from now on, and shows them.
    void Start();
    // Reads the server's list anew and shows it.
    void Refresh();
    // The singer chose the list's item `index`.
    void Choose(int index);

    // The source to open ("": the server's default).
    const std::string& InUse() const { return inUse_; }
    // The sound server's names of the speakers and of the microphone in use.
    std::string SinkName() const { return devices_.defaultSink; }
    std::string SourceName() const { return inUse_.empty() ? devices_.defaultSource : inUse_; }

private:
    Session& s_;
    LiveAidsView& view_;
    platform::SoundSources& sources_;
    std::function<void()> keep_;
    std::function<void()> inUseChanged_;
    platform::SoundDeviceList devices_;
    std::string inUse_;
    bool missingTold_ = false;
};
