#pragma once
// The microphone recorder: captures the default sound input into a WAV work
// file (record.wav of a take), samples unchanged, in blocks of kBlockBytes
// with kBlockCount blocks circulating between the input and the recorder.
//
// Across takes: each Start first releases the device and the blocks of the
// take before (stop, forget the blocks, close), then opens the device anew in
// the format of the new take and allocates ten new blocks. So at most one
// device and one set of blocks exist at any time, and a Stop leaves the
// device open, paused, until the next Start or the recorder's end.
//
// Failures of Start are shown through platform::Messages(). A write that
// fails during a take (a full disk) is shown once; capture then stops
// feeding the file, and what reached the file stays a valid WAV file.
// UI thread only.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "audio/WavHeader.h"
#include "audio/WavWriter.h"
#include "platform/AudioInput.h"

class TAudioRecord {
public:
    static constexpr int kBlockCount = 10;
    // 1323 mono 16-bit samples, 30 ms at 44100 Hz; fixed whatever the rate.
    static constexpr size_t kBlockBytes = 2646;

    // `mode` is the value the main window passes (2); it selects nothing.
    // Records from the default input of the sound server.
    explicit TAudioRecord(int mode);
    TAudioRecord(int mode, std::unique_ptr<platform::AudioInput> input);
    ~TAudioRecord();
    TAudioRecord(const TAudioRecord&) = delete;
    TAudioRecord& operator=(const TAudioRecord&) = delete;

    // Opens the device, queues the blocks, creates the file at `path` (UTF-8)
    // with an empty header for `channels`, `sampleRate`, `bitsPerSample` and
    // starts capture. True when capture is running.
    bool Start(const std::string& path, int channels, int sampleRate, int bitsPerSample);

    // Stops capture and finishes the file with the sizes of what was written.
    void Stop();

private:
    void BufferArrived(platform::AudioBlock& block);
    void ReleaseDevice();
    void ReportWriteFailure();

    std::unique_ptr<platform::AudioInput> input_;
    std::array<platform::AudioBlock, kBlockCount> blocks_;
    std::vector<char> copy_;
    WavHeader header_{};
    WavWriter writer_;
    std::string path_;
    bool writeFailureReported_ = false;
};
