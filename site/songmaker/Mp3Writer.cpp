#include "site/songmaker/Mp3Writer.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct LameCloser {
    void operator()(lame_global_flags* lame) const { lame_close(lame); }
};
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

constexpr int kChunkFrames = 8192;
// libmp3lame's worst case for a chunk (lame.h): 1.25 bytes a sample plus 7200.
constexpr int kChunkMp3Bytes = kChunkFrames * 5 / 4 + 7200;

}  // namespace

bool WriteMp3(const StereoMix& mix, const std::string& path, std::string& error) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        error = "libmp3lame cannot start";
        return false;
    }
    lame_set_num_channels(lame.get(), 2);
    lame_set_in_samplerate(lame.get(), mix.sampleRateHz);
    lame_set_out_samplerate(lame.get(), mix.sampleRateHz);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), 128);
    lame_set_quality(lame.get(), 2);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) {
        error = "libmp3lame refuses the settings";
        return false;
    }
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = path + ": cannot be created";
        return false;
    }

    std::vector<unsigned char> mp3(kChunkMp3Bytes);
    bool written = true;
    for (size_t at = 0; at < mix.frames() && written; at += kChunkFrames) {
        const int frames = static_cast<int>(std::min<size_t>(kChunkFrames, mix.frames() - at));
        const int bytes =
            lame_encode_buffer_ieee_float(lame.get(), mix.left.data() + at, mix.right.data() + at,
                                          frames, mp3.data(), static_cast<int>(mp3.size()));
        written = bytes >= 0 && std::fwrite(mp3.data(), 1, bytes, file.get()) == size_t(bytes);
    }
    if (written) {
        const int bytes = lame_encode_flush(lame.get(), mp3.data(), static_cast<int>(mp3.size()));
        written = bytes >= 0 && std::fwrite(mp3.data(), 1, bytes, file.get()) == size_t(bytes);
    }
    if (written) {
        // The first frame was kept free for the Info tag, which is known only now.
        const size_t tagBytes = lame_get_lametag_frame(lame.get(), mp3.data(), mp3.size());
        written = tagBytes > 0 && tagBytes <= mp3.size() &&
                  std::fseek(file.get(), 0, SEEK_SET) == 0 &&
                  std::fwrite(mp3.data(), 1, tagBytes, file.get()) == tagBytes;
    }
    written = std::fclose(file.release()) == 0 && written;
    if (!written) error = path + ": cannot be written";
    return written;
}
