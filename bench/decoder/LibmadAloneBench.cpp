// What no MP3-to-WAV conversion through libmad's synchronous decoder can
// undercut: the same 512 KiB input fills and the same decoder run as ostrel.so,
// with an output callback that only looks at each block (no conversion, no
// file written).
//   bench_libmad_alone SRC    prints "frames F"
#include <mad.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Run {
    std::FILE* source = nullptr;
    std::vector<unsigned char> input = std::vector<unsigned char>(0x80000);
    long frames = 0;
    mad_fixed_t touched = 0;  // keeps the blocks' samples live
};

mad_flow Input(void* data, mad_stream* stream) {
    Run& run = *static_cast<Run*>(data);
    if (std::feof(run.source)) return MAD_FLOW_STOP;
    size_t kept = 0;
    if (stream->next_frame != nullptr) {
        kept = static_cast<size_t>(stream->bufend - stream->next_frame);
        std::memmove(run.input.data(), stream->next_frame, kept);
    }
    if (kept == run.input.size()) return MAD_FLOW_STOP;
    const size_t read = std::fread(run.input.data() + kept, 1, run.input.size() - kept, run.source);
    if (read < run.input.size() - kept && std::ferror(run.source)) return MAD_FLOW_BREAK;
    mad_stream_buffer(stream, run.input.data(), kept + read);
    return MAD_FLOW_CONTINUE;
}

mad_flow Output(void* data, const mad_header*, mad_pcm* pcm) {
    Run& run = *static_cast<Run*>(data);
    ++run.frames;
    run.touched ^= pcm->samples[0][0] ^ pcm->samples[pcm->channels - 1][pcm->length - 1];
    return MAD_FLOW_CONTINUE;
}

mad_flow Error(void*, mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; }

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SRC\n", argv[0]);
        return 2;
    }
    std::unique_ptr<std::FILE, FileCloser> source(std::fopen(argv[1], "rb"));
    if (!source) {
        std::perror(argv[1]);
        return 1;
    }
    std::setvbuf(source.get(), nullptr, _IONBF, 0);
    Run run;
    run.source = source.get();
    mad_decoder decoder;
    mad_decoder_init(&decoder, &run, &Input, nullptr, nullptr, &Output, &Error, nullptr);
    const int result = mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);
    std::printf("frames %ld touched %d\n", run.frames, static_cast<int>(run.touched & 1));
    return result == 0 && run.frames > 0 ? 0 : 1;
}
