// WAV work files on arbitrary bytes: the accompaniment's header and length
// read as the import reads them, and the mixdown of accompaniment and voice.
// The input is cut in two: its first two bytes say where; the first part is
// bgsound.wav (left out when the first byte's top bit is set), the rest is
// record.wav. The mix must come out whole and exactly as long as the mixdown
// promises: the longer input's length in the accompaniment's channel count
// (nothing for counts other than 1 and 2), or the voice itself when there is
// no accompaniment.
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "audio/MixDown.h"
#include "audio/WavHeader.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool withAccompaniment = (data[0] & 0x80) == 0;
    const size_t rest = size - 2;
    const size_t cut = (static_cast<size_t>(data[0] & 0x7F) << 8 | data[1]) % (rest + 1);
    static const QByteArray bgsound = FuzzPath(QStringLiteral("bgsound.wav"));
    static const QByteArray record = FuzzPath(QStringLiteral("record.wav"));
    static const QByteArray mixPath = FuzzPath(QStringLiteral("mix.wav"));
    ::unlink(bgsound.constData());
    ::unlink(mixPath.constData());
    if (withAccompaniment) WriteFuzzFileAt(bgsound.constData(), data + 2, cut);
    WriteFuzzFileAt(record.constData(), data + 2 + cut, rest - cut);

    // The import: header and length of the accompaniment.
    WavHeader format;
    InitWavHeader(format, 1, 44100, 16);
    const int64_t fileBytes = ReadWavHeader(bgsound.constData(), format);
    FuzzCheck(fileBytes == (withAccompaniment ? static_cast<int64_t>(cut) : -1), "file size");
    const int seconds =
        WavDurationSeconds(WavDataLength(fileBytes), format.channels,
                           static_cast<int>(format.sampleRate), format.bitsPerSample);
    FuzzCheck(seconds >= 0, "a negative length");

    FuzzCheck(MixDown(FuzzFolder(), format).ok(), "the mixdown failed");
    const QByteArray mix = ReadFuzzFileAt(mixPath.constData()).value_or(QByteArray());
    const QByteArray voice = ReadFuzzFileAt(record.constData()).value_or(QByteArray());
    if (!withAccompaniment) {
        FuzzCheck(mix == voice, "the voice alone is not the mix");
        return 0;
    }
    FuzzCheck(mix.size() >= 44, "a mix shorter than its header");
    WavHeader mixHeader;
    std::memcpy(&mixHeader, mix.constData(), sizeof mixHeader);
    const int64_t mixBytes = mix.size() - 44;
    FuzzCheck(mixHeader.dataSize == mixBytes && mixHeader.riffSize == mixBytes + 36,
              "the mix's sizes");
    FuzzCheck(mixHeader.channels == format.channels && mixHeader.sampleRate == format.sampleRate,
              "the mix's format");
    const int64_t a = WavDataLength(static_cast<int64_t>(cut));
    const int64_t v = WavDataLength(voice.size());
    const int64_t expected = format.channels == 1   ? std::max(a, v)
                             : format.channels == 2 ? std::max(a, 2 * v)
                                                    : 0;
    FuzzCheck(mixBytes == expected, "the mix's length");
    return 0;
}
