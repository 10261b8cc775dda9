#include "effects/VoiceReverb.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/InlineWorker.h"
#include "effects/LilvHandles.h"
#include "effects/ReverbPlugin.h"
#include "effects/SampleConversion.h"
#include "effects/UridMap.h"
#include "effects/WavFormat.h"

namespace effects {
namespace {

// The most frames one run of the plugin is given; larger calls are split.
constexpr uint32_t kRunFrames = 1024;
// Room for the events a plugin may send back; ours sends none we read.
constexpr size_t kEventBytes = 4096;
// The C library's own first seed of rand().
constexpr unsigned kNoiseSeed = 1;

Failure Unavailable(FailureCause cause, const ReverbPlugin& plugin, const char* why) {
    return {cause,
            QStringLiteral("混响不可用: %1 (%2) %3")
                .arg(QString::fromUtf8(plugin.name), QString::fromUtf8(plugin.uri),
                     QString::fromUtf8(why)),
            FailureNotice::Prompt, 0};
}

}  // namespace

// Everything the running plugin points into lives here, behind one pointer,
// so that moving a VoiceReverb never moves a buffer the plugin writes to.
class VoiceReverb::Host {
public:
    Status start(const ReverbPlugin& plugin, int sampleRate);
    void run(std::span<const int16_t> voice, std::span<int16_t> into);

    int outputChannels = 1;

private:
    struct Nodes {
        LilvNodeHandle audio, control, atom, input, output;
    };
    Status connectPorts(const LilvPlugin* found, const ReverbPlugin& plugin, int sampleRate);

    LilvWorldHandle world_;
    UridMap urids_;
    int32_t maxBlock_ = kRunFrames;
    int32_t minBlock_ = 0;
    std::array<LV2_Options_Option, 4> options_{};
    LV2_Feature uridFeature_{};
    LV2_Feature optionsFeature_{};
    LV2_Feature boundedFeature_{};
    InlineWorker worker_;
    LV2_Feature workerFeature_{};
    std::array<const LV2_Feature*, 5> features_{};

    std::array<std::vector<float>, 2> in_;
    std::array<std::vector<float>, 2> out_;
    std::vector<float> controls_;  // one per port; only control ports use theirs
    LV2_Atom_Sequence eventsIn_{};
    alignas(LV2_Atom_Sequence) std::array<unsigned char, kEventBytes> eventsOut_{};
    LV2_URID chunkUrid_ = 0;
    // Last, so that the plugin is freed before the buffers it points into.
    LilvInstanceHandle instance_;
};

Status VoiceReverb::Host::start(const ReverbPlugin& plugin, int sampleRate) {
    world_.reset(lilv_world_new());
    if (!world_) return Unavailable(FailureCause::Internal, plugin, "无法读取 LV2 插件目录");
    lilv_world_load_all(world_.get());
    LilvNodeHandle uri(lilv_new_uri(world_.get(), plugin.uri));
    const LilvPlugin* found =
        lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_.get()), uri.get());
    if (!found) return Unavailable(FailureCause::Missing, plugin, "未安装");

    // The features Dragonfly asks for: URIDs, the block sizes it sizes its
    // buffers by, and a worker.
    const LV2_URID intUrid = urids_.map(LV2_ATOM__Int);
    options_[0] = {LV2_OPTIONS_INSTANCE, 0,       urids_.map(LV2_BUF_SIZE__maxBlockLength),
                   sizeof(int32_t),      intUrid, &maxBlock_};
    options_[1] = {LV2_OPTIONS_INSTANCE, 0,       urids_.map(LV2_BUF_SIZE__nominalBlockLength),
                   sizeof(int32_t),      intUrid, &maxBlock_};
    options_[2] = {LV2_OPTIONS_INSTANCE, 0,       urids_.map(LV2_BUF_SIZE__minBlockLength),
                   sizeof(int32_t),      intUrid, &minBlock_};
    options_[3] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    uridFeature_ = {LV2_URID__map, urids_.feature()};
    optionsFeature_ = {LV2_OPTIONS__options, options_.data()};
    boundedFeature_ = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    workerFeature_ = {LV2_WORKER__schedule, worker_.feature()};
    features_ = {&uridFeature_, &optionsFeature_, &boundedFeature_, &workerFeature_, nullptr};
    chunkUrid_ = urids_.map(LV2_ATOM__Chunk);
    eventsIn_.atom = {sizeof(LV2_Atom_Sequence_Body), urids_.map(LV2_ATOM__Sequence)};

    instance_.reset(lilv_plugin_instantiate(found, sampleRate, features_.data()));
    if (!instance_) return Unavailable(FailureCause::Internal, plugin, "无法启动");
    worker_.attach(static_cast<const LV2_Worker_Interface*>(
                       lilv_instance_get_extension_data(instance_.get(), LV2_WORKER__interface)),
                   lilv_instance_get_handle(instance_.get()));
    if (Status connected = connectPorts(found, plugin, sampleRate); !connected) return connected;
    instance_.activate();
    // The Room's tail is modulated by noise drawn from the C library's one
    // rand() sequence, which every earlier reverb in the process has moved
    // on: starting it again here makes the same voice give the same samples
    // in the second mix of a session as in the first. Seed 1 is where a new
    // process starts it, so the files stay those of a first mix.
    std::srand(kNoiseSeed);
    return {};
}

Status VoiceReverb::Host::connectPorts(const LilvPlugin* found, const ReverbPlugin& plugin,
                                       int sampleRate) {
    LilvWorld* world = world_.get();
    const Nodes nodes{LilvNodeHandle(lilv_new_uri(world, LV2_CORE__AudioPort)),
                      LilvNodeHandle(lilv_new_uri(world, LV2_CORE__ControlPort)),
                      LilvNodeHandle(lilv_new_uri(world, LV2_ATOM__AtomPort)),
                      LilvNodeHandle(lilv_new_uri(world, LV2_CORE__InputPort)),
                      LilvNodeHandle(lilv_new_uri(world, LV2_CORE__OutputPort))};
    const uint32_t ports = lilv_plugin_get_num_ports(found);
    controls_.assign(ports, 0.0f);
    std::vector<float> defaults(ports, 0.0f);
    lilv_plugin_get_port_ranges_float(found, nullptr, nullptr, defaults.data());
    size_t audioIns = 0, audioOuts = 0;
    for (auto& buffer : in_) buffer.assign(kRunFrames, 0.0f);
    for (auto& buffer : out_) buffer.assign(kRunFrames, 0.0f);

    for (uint32_t index = 0; index < ports; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(found, index);
        const bool input = lilv_port_is_a(found, port, nodes.input.get());
        const bool output = lilv_port_is_a(found, port, nodes.output.get());
        void* buffer = nullptr;
        if (lilv_port_is_a(found, port, nodes.audio.get())) {
            if (input && audioIns < in_.size()) buffer = in_[audioIns++].data();
            if (output && audioOuts < out_.size()) buffer = out_[audioOuts++].data();
        } else if (lilv_port_is_a(found, port, nodes.control.get())) {
            controls_[index] = std::isnan(defaults[index]) ? 0.0f : defaults[index];
            buffer = &controls_[index];
        } else if (lilv_port_is_a(found, port, nodes.atom.get())) {
            buffer = input ? static_cast<void*>(&eventsIn_) : eventsOut_.data();
        }
        if (!buffer) return Unavailable(FailureCause::Internal, plugin, "的端口与预期不符");
        lilv_instance_connect_port(instance_.get(), index, buffer);
    }
    if (audioIns != 2 || audioOuts != 2)
        return Unavailable(FailureCause::Internal, plugin, "不是立体声插件");

    for (const PluginSetting& setting : plugin.settings) {
        LilvNodeHandle symbol(lilv_new_string(world, setting.symbol));
        const LilvPort* port = lilv_plugin_get_port_by_symbol(found, symbol.get());
        if (!port) return Unavailable(FailureCause::Internal, plugin, "的版本不对 (缺少控制参数)");
        controls_[lilv_port_get_index(found, port)] =
            setting.frequency ? std::min(setting.value, kMaxFrequencyShareOfRate * sampleRate)
                              : setting.value;
    }
    return {};
}

void VoiceReverb::Host::run(std::span<const int16_t> voice, std::span<int16_t> into) {
    for (size_t done = 0; done < voice.size();) {
        const uint32_t frames =
            static_cast<uint32_t>(std::min<size_t>(kRunFrames, voice.size() - done));
        // The mono voice goes into both inputs: a centred singer.
        for (uint32_t i = 0; i < frames; ++i) in_[0][i] = in_[1][i] = ToFloat(voice[done + i]);
        auto* events = reinterpret_cast<LV2_Atom_Sequence*>(eventsOut_.data());
        events->atom = {static_cast<uint32_t>(kEventBytes - sizeof(LV2_Atom)), chunkUrid_};
        lilv_instance_run(instance_.get(), frames);
        worker_.afterRun();
        int16_t* frame = into.data() + done * outputChannels;
        for (uint32_t i = 0; i < frames; ++i) {
            if (outputChannels == 2) {
                frame[2 * i] = ToInt16(out_[0][i]);
                frame[2 * i + 1] = ToInt16(out_[1][i]);
            } else {
                frame[i] = ToInt16(0.5f * (out_[0][i] + out_[1][i]));
            }
        }
        done += frames;
    }
}

Result<VoiceReverb> VoiceReverb::create(ReverbPreset preset, int sampleRate, int outputChannels) {
    if (IsNeutralReverb(preset) || sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate ||
        (outputChannels != 1 && outputChannels != 2))
        return Failure{FailureCause::Invalid,
                       QStringLiteral("混响不可用: 不支持的设置 (%1 Hz, %2 声道)")
                           .arg(sampleRate)
                           .arg(outputChannels),
                       FailureNotice::Prompt, 0};
    auto host = std::make_unique<Host>();
    host->outputChannels = outputChannels;
    if (Status started = host->start(PluginFor(preset), sampleRate); !started)
        return started.failure();
    return VoiceReverb(std::move(host));
}

VoiceReverb::VoiceReverb(std::unique_ptr<Host> host) : host_(std::move(host)) {}
VoiceReverb::VoiceReverb(VoiceReverb&&) noexcept = default;
VoiceReverb& VoiceReverb::operator=(VoiceReverb&&) noexcept = default;
VoiceReverb::~VoiceReverb() = default;

int VoiceReverb::outputChannels() const { return host_->outputChannels; }

void VoiceReverb::process(std::span<const int16_t> voice, std::span<int16_t> into) {
    const size_t frames = std::min(voice.size(), into.size() / host_->outputChannels);
    host_->run(voice.first(frames), into);
}

}  // namespace effects
