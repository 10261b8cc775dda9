#include "audio/MixDown.h"

#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "audio/WavWriter.h"
#include "effects/Balance.h"
#include "effects/ConcurrentLoudnessMeter.h"
#include "effects/Loudness.h"
#include "effects/LoudnessMeter.h"
#include "effects/VoiceReverb.h"
#include "effects/WavFormat.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

QString SystemText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

// One input of the mix, read from byte 44 to the end of the file.
struct Input {
    File file;
    int64_t dataBytes = 0;
    int errorNumber = 0;  // of the first failed read

    bool open(const std::string& path) {
        file.reset(std::fopen(path.c_str(), "rb"));
        if (!file) return false;
        struct stat info {};
        if (fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)) {
            file.reset();
            return false;
        }
        dataBytes = WavDataLength(info.st_size);
        return true;
    }

    // Reads up to `count` bytes; a read error is remembered and ends the input.
    size_t read(void* into, size_t count) {
        if (errorNumber != 0) return 0;
        const size_t got = std::fread(into, 1, count, file.get());
        if (got < count && std::ferror(file.get())) errorNumber = errno != 0 ? errno : EIO;
        return got;
    }
};

inline int16_t Saturate(int32_t value) {
    return static_cast<int16_t>(std::clamp<int32_t>(value, -32768, 32767));
}

// The body of MixSamples, here so that the mixing loop can inline it.
inline int16_t Mix(int16_t a, int16_t v) {
    // Offset-binary values 0..65535; their product needs all 32 unsigned bits.
    const uint32_t A = static_cast<uint32_t>(a + 32768);
    const uint32_t B = static_cast<uint32_t>(v + 32768);
    const int32_t scaled = static_cast<int32_t>(A * B / 32768);
    const bool bothNegative = A < 32768 && B < 32768;
    const int32_t z = bothNegative ? scaled : static_cast<int32_t>(2 * (A + B)) - scaled - 65536;
    return Saturate(z - 32768);
}

std::string WorkFile(const QString& tempFolder, const char* name) {
    QString folder = tempFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return QFile::encodeName(folder + QLatin1String(name)).toStdString();
}

// The finished mix at the even loudness: one gain, from the figures of the
// whole.
Status EvenLoudness(const std::string& mixPath, const Result<effects::LoudnessFigures>& figures) {
    if (!figures) return figures.failure();
    const double gainDb = effects::LoudnessGainDb(figures.value());
    if (effects::IsNeutralGainDb(gainDb)) return {};
    return effects::ApplyGainDb(mixPath, mixPath, gainDb);
}

// A meter that measures the mix on a second core while it is being mixed, so
// that even loudness costs little more than the gain's pass; none for a
// format the loudness is not measured in (the file's measurement then tells
// why).
std::unique_ptr<effects::ConcurrentLoudnessMeter> MeterFor(const WavHeader& header,
                                                           const std::string& mixPath) {
    effects::WavHeaderBytes bytes;
    std::memcpy(bytes.data(), &header, bytes.size());
    const Result<effects::WavFormat> format = effects::ParseWavHeader(bytes, mixPath);
    if (!format) return nullptr;
    Result<effects::LoudnessMeter> meter = effects::LoudnessMeter::create(format.value());
    if (!meter) return nullptr;
    return std::make_unique<effects::ConcurrentLoudnessMeter>(std::move(meter).value());
}

}  // namespace

int16_t MixSamples(int16_t a, int16_t v) { return Mix(a, v); }

Status CopyVoiceAsMix(const QString& tempFolder) {
    const std::filesystem::path record = WorkFile(tempFolder, "record.wav");
    const std::filesystem::path mix = WorkFile(tempFolder, "mix.wav");
    std::error_code error;
    std::filesystem::copy_file(record, mix, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (!error) return {};
    // A half-copied mix would be played by the next preview as if it were whole.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(mix, ignored)))
        std::filesystem::remove(mix, ignored);
    return Failure{FailureCause::Unwritable,
                   QStringLiteral("复制 record.wav 到 mix.wav 失败: ") +
                       QString::fromLocal8Bit(error.message().c_str()),
                   FailureNotice::Prompt, error.value()};
}

Status MixDown(const QString& tempFolder, WavHeader& currentFormat, const MixSettings& settings,
               const QString& accompanimentName) {
    const std::string bgsoundPath = WorkFile(tempFolder, accompanimentName.toUtf8().constData());
    const std::string recordPath = WorkFile(tempFolder, "record.wav");
    const std::string mixPath = WorkFile(tempFolder, "mix.wav");

    std::error_code ignored;
    if (!std::filesystem::exists(bgsoundPath, ignored) &&
        std::filesystem::exists(recordPath, ignored))
        return CopyVoiceAsMix(tempFolder);

    Input accompaniment;
    if (!accompaniment.open(bgsoundPath)) {
        return Failure{FailureCause::Unreadable,
                       QStringLiteral("打开 %1 失败").arg(accompanimentName)};
    }
    // Bytes a short file does not have keep their old values.
    unsigned char headerBytes[sizeof(WavHeader)];
    const size_t headerGot =
        std::fread(headerBytes, 1, sizeof headerBytes, accompaniment.file.get());
    std::memcpy(&currentFormat, headerBytes, headerGot);
    std::fseek(accompaniment.file.get(), kWavHeaderBytes, SEEK_SET);

    Input voice;
    if (!voice.open(recordPath)) {
        return Failure{FailureCause::Unreadable, QStringLiteral("打开 record.wav 失败")};
    }
    std::fseek(voice.file.get(), kWavHeaderBytes, SEEK_SET);

    const int channels = currentFormat.channels;
    WavHeader outputHeader;
    InitWavHeader(outputHeader, channels, static_cast<int>(currentFormat.sampleRate),
                  currentFormat.bitsPerSample);
    WavWriter output;
    if (!output.create(mixPath, outputHeader)) {
        return Failure{FailureCause::Unwritable, QStringLiteral("打开 mix.wav 失败")};
    }

    // Only mono and stereo accompaniments are mixed; any other count gives an
    // empty mix.
    int64_t boundBytes = 0;
    if (channels == 1)
        boundBytes = std::max(accompaniment.dataBytes, voice.dataBytes);
    else if (channels == 2)
        boundBytes = std::max(accompaniment.dataBytes, 2 * voice.dataBytes);

    // The voice's reverb, in the accompaniment's channel count.
    std::optional<effects::VoiceReverb> reverb;
    if (!effects::IsNeutralReverb(settings.reverb) && (channels == 1 || channels == 2)) {
        Result<effects::VoiceReverb> made = effects::VoiceReverb::create(
            settings.reverb, static_cast<int>(currentFormat.sampleRate), channels);
        if (made) reverb.emplace(std::move(made).value());
    }
    const std::unique_ptr<effects::ConcurrentLoudnessMeter> meter =
        settings.evenLoudness ? MeterFor(outputHeader, mixPath) : nullptr;
    const auto scale = [](int16_t* samples, size_t count, int percent) {
        if (!effects::IsNeutralPercent(percent)) effects::ScaleByPercent({samples, count}, percent);
    };

    constexpr size_t kSamples = kMixBlockBytes / 2;
    // Every sample that is used is read or zeroed first: no need to zero
    // whole blocks, which a short file would pay for on every block.
    const auto accompanimentBlock = std::make_unique_for_overwrite<int16_t[]>(kSamples);
    const auto voiceBlock = std::make_unique_for_overwrite<int16_t[]>(kSamples);
    const auto outputBlock = std::make_unique_for_overwrite<int16_t[]>(kSamples);
    const auto reverbBlock =
        std::make_unique_for_overwrite<int16_t[]>(reverb ? kSamples : size_t{0});
    // What a read left short of `wanted` bytes is silence, so the shorter
    // input goes on as silence and the mix is as long as the longer one.
    const auto silenceAfter = [](int16_t* block, size_t got, size_t wanted) {
        if (got < wanted) std::memset(reinterpret_cast<char*>(block) + got, 0, wanted - got);
    };

    for (int64_t blocks = 0;
         static_cast<int64_t>(kMixBlockBytes) * blocks < boundBytes && !output.failed(); ++blocks) {
        const size_t accompanimentGot =
            accompaniment.read(accompanimentBlock.get(), kMixBlockBytes);
        size_t outputBytes;
        if (channels == 1) {
            const size_t voiceGot = voice.read(voiceBlock.get(), kMixBlockBytes);
            if (accompanimentGot == 0 && voiceGot == 0) break;
            outputBytes = std::max(accompanimentGot, voiceGot);
            const size_t samples = (outputBytes + 1) / 2;
            silenceAfter(accompanimentBlock.get(), accompanimentGot, samples * 2);
            silenceAfter(voiceBlock.get(), voiceGot, samples * 2);
            scale(accompanimentBlock.get(), samples, settings.accompanimentPercent);
            scale(voiceBlock.get(), samples, settings.voicePercent);
            const int16_t* voiceMix = voiceBlock.get();
            if (reverb) {
                reverb->process({voiceBlock.get(), samples}, {reverbBlock.get(), samples});
                voiceMix = reverbBlock.get();
            }
            for (size_t i = 0; i < samples; ++i)
                outputBlock[i] = Saturate(int32_t{accompanimentBlock[i]} + voiceMix[i]);
        } else {
            // One voice sample serves both channels of its frame.
            const size_t voiceGot = voice.read(voiceBlock.get(), kMixBlockBytes / 2);
            if (accompanimentGot == 0 && voiceGot == 0) break;
            outputBytes = std::max(accompanimentGot, 2 * voiceGot);
            const size_t frames = (outputBytes + 3) / 4;
            silenceAfter(accompanimentBlock.get(), accompanimentGot, frames * 4);
            silenceAfter(voiceBlock.get(), voiceGot, frames * 2);
            scale(accompanimentBlock.get(), frames * 2, settings.accompanimentPercent);
            scale(voiceBlock.get(), frames, settings.voicePercent);
            if (reverb) {
                // Each channel is mixed with its own sample of the voice.
                reverb->process({voiceBlock.get(), frames}, {reverbBlock.get(), frames * 2});
                for (size_t i = 0; i < 2 * frames; ++i)
                    outputBlock[i] = Mix(accompanimentBlock[i], reverbBlock[i]);
            } else {
                for (size_t i = 0; i < frames; ++i) {
                    outputBlock[2 * i] = Mix(accompanimentBlock[2 * i], voiceBlock[i]);
                    outputBlock[2 * i + 1] = Mix(accompanimentBlock[2 * i + 1], voiceBlock[i]);
                }
            }
        }
        output.append(outputBlock.get(), outputBytes);
        // Only the last block can end in part of a frame, which the file's
        // readers leave out too.
        if (meter) meter->add({outputBlock.get(), outputBytes / (2 * channels) * channels});
    }

    const bool written = output.finish();
    const int readError =
        accompaniment.errorNumber != 0 ? accompaniment.errorNumber : voice.errorNumber;
    if (written && readError == 0) {
        if (!settings.evenLoudness) return {};
        const Status levelled =
            EvenLoudness(mixPath, meter ? meter->finish() : effects::MeasureLoudness(mixPath));
        if (levelled) return {};
        std::filesystem::remove(mixPath, ignored);
        return levelled;
    }

    // A cut-off mix must not stay behind: the next preview would play it as
    // if it were the whole take.
    std::filesystem::remove(mixPath, ignored);
    if (!written) {
        return Failure{FailureCause::Unwritable,
                       QStringLiteral("写入 mix.wav 失败: ") + SystemText(output.errorNumber()),
                       FailureNotice::Prompt, output.errorNumber()};
    }
    const bool accompanimentFailed = accompaniment.errorNumber != 0;
    return Failure{FailureCause::Unreadable,
                   (accompanimentFailed ? QStringLiteral("读取 bgsound.wav 失败: ")
                                        : QStringLiteral("读取 record.wav 失败: ")) +
                       SystemText(readError),
                   FailureNotice::Prompt, readError};
}
