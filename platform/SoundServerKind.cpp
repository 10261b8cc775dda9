#include "platform/SoundServerKind.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/PipeWireServer.h"

namespace platform {
namespace {

constexpr std::chrono::milliseconds kAskLimit{2000};

struct ServerName {
    PulseServer* server = nullptr;
    bool done = false;
    std::string name;
};

void ServerInfoArrived(pa_context*, const pa_server_info* info, void* userdata) {
    auto* reply = static_cast<ServerName*>(userdata);
    if (info && info->server_name) reply->name = info->server_name;
    reply->done = true;
    reply->server->signal();
}

std::optional<std::string> AskServerName(PulseServer& pulse) {
    const SoundTime deadline = SoundClock::now() + kAskLimit;
    PulseServer::Lock lock(pulse);
    PulseError error;
    pa_context* context = pulse.connect(deadline, error);
    if (!context) return std::nullopt;
    ServerName reply;
    reply.server = &pulse;
    PulseOperationPtr query(pa_context_get_server_info(context, ServerInfoArrived, &reply),
                            PulseOperationCloser{pulse.loop()});
    if (!query || !pulse.waitUntil(deadline, [&reply] { return reply.done; })) return std::nullopt;
    return reply.name;
}

}  // namespace

SoundServerKind FindSoundServer(PulseServer& pulse) {
    if (const char* chosen = std::getenv("TAVIMO_SOUND_SERVER")) {
        if (std::strcmp(chosen, "pipewire") == 0) return SoundServerKind::PipeWire;
        if (std::strcmp(chosen, "pulseaudio") == 0) return SoundServerKind::PulseAudio;
    }
    if (const auto name = AskServerName(pulse)) {
        return name->find("PipeWire") != std::string::npos ? SoundServerKind::PipeWire
                                                           : SoundServerKind::PulseAudio;
    }
    return PipeWireServerListens() ? SoundServerKind::PipeWire : SoundServerKind::PulseAudio;
}

}  // namespace platform
