#pragma once
// The microphone recorder: captures the default sound input into a WAV work
// file (record.wav of a take), samples unchanged, in blocks of kBlockBytes
// with kBlockCount blocks circulating between the input and the recorder.
//
// The voice sits in time with what the singer heard: the file begins at the
// moment the accompaniment's first sample came out of the speakers (without
// an accompaniment, at the moment capture started), whatever the input's own
// latency (see VoiceHead). It ends at Stop, with everything captured up to
// that moment.
//
// Across takes: each Start first releases the device and the blocks of the
// take before (stop, forget the blocks, close), then opens the device anew in
// the format of the new take and allocates ten new blocks. So at most one
// device and one set of blocks exist at any time, and a Stop leaves the
// device open, paused, until the next Start or the recorder's end.
//
// Start and Stop return their failures. What fails while a take runs goes to
// the failure handler: a write that fails (a full disk) is told once, capture
// then stops feeding the file, and what reached the file stays a valid WAV
// file; capture that breaks off (the sound server or the microphone went
// away) finishes the file with what was captured and is told once. Every
// failure is meant for the toolkit's simple message dialog.
// UI thread only.

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/VoiceHead.h"
#include "audio/WavHeader.h"
#include "audio/WavWriter.h"
#include "platform/AudioInput.h"
#include "platform/WavPlayer.h"

class TAudioRecord {
public:
    static constexpr int kBlockCount = 10;
    // 1323 mono 16-bit samples, 30 ms at 44100 Hz; fixed whatever the rate.
    static constexpr size_t kBlockBytes = 2646;

    using FailureHandler = std::function<void(const Failure& failure)>;

    // Records from `input`.
    explicit TAudioRecord(std::unique_ptr<platform::AudioInput> input);
    ~TAudioRecord();
    TAudioRecord(const TAudioRecord&) = delete;
    TAudioRecord& operator=(const TAudioRecord&) = delete;

    // Opens the device, queues the blocks, creates the file at `path` (UTF-8)
    // with an empty header for `channels`, `sampleRate`, `bitsPerSample` and
    // starts capture. Succeeds when capture is running. `accompaniment` is
    // the player that plays what the singer sings to, when there is one; it
    // must outlive the take (until Stop).
    Status Start(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                 const platform::WavPlayer* accompaniment = nullptr);

    // Stops capture and finishes the file with the sizes of what was
    // written; fails when that write failed and was not told yet.
    Status Stop();

    // The microphone of the takes from the next Start on, by the sound
    // server's name; "" is the server's default input, as it is then.
    void SetDevice(const std::string& name) { (void)input_->chooseDevice(name); }

    // How much later than the sound server reports the input's sound
    // reaches it (a measured latency the server does not know of): the
    // voice is moved that much earlier from the next Start on.
    void SetCaptureCorrection(std::chrono::microseconds lateBy) { correction_ = lateBy; }

    // Receives what fails while a take runs.
    void setFailureHandler(FailureHandler handler) { failureHandler_ = std::move(handler); }

    // Sound held back at most while the moment of the take's start is not
    // known yet; then the start of capture stands in for it.
    static constexpr int kMaxHeldSeconds = 3;

private:
    void BufferArrived(platform::AudioBlock& block);
    void CaptureBrokeOff(const Failure& failure);
    // Lines the voice's head up once both moments are known, or at once
    // when `now` is set, with what is known then.
    void AlignHead(bool now);
    void WritePending();
    void ReleaseDevice();
    Failure WriteFailure();
    void ReportWriteFailure();

    std::unique_ptr<platform::AudioInput> input_;
    FailureHandler failureHandler_;
    std::array<platform::AudioBlock, kBlockCount> blocks_;
    std::vector<char> copy_;
    WavHeader header_{};
    WavWriter writer_;
    std::string path_;
    bool writeFailureReported_ = false;

    // The take under way.
    const platform::WavPlayer* accompaniment_ = nullptr;
    std::chrono::microseconds correction_{0};
    platform::SoundTime captureStartedAt_{};
    int sampleRate_ = 44100;
    size_t frameBytes_ = 2;
    VoiceHead head_;
    std::vector<char> pending_;  // due to the file
};
