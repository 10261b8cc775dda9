// The WMA decoder library's export on arbitrary bytes, as a file of any name
// the singer picks may hold them. Whatever the input, the call returns one of
// its documented results; a success leaves a whole WAV file, any failure
// leaves no destination at all (it did not exist before the call).
#include <unistd.h>

#include <cstdint>

#include "decoder/pellin/Pellin.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFolder.h"
#include "fuzz/WavCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray source = FuzzPath(QStringLiteral("song.wma"));
    static const QByteArray destination = FuzzPath(QStringLiteral("bgsound.wav"));
    WriteFuzzFileAt(source.constData(), data, size);
    ::unlink(destination.constData());

    const int result = Pellin(source.constData(), destination.constData());
    const std::optional<QByteArray> wav = ReadFuzzFileAt(destination.constData());
    if (result == kPellinDecoded) {
        FuzzCheck(wav.has_value(), "decoded without a destination");
        CheckWholeWav(reinterpret_cast<const unsigned char*>(wav->constData()),
                      static_cast<size_t>(wav->size()));
    } else {
        FuzzCheck(result >= kPellinTruncated && result <= kPellinDecoderFailed,
                  "an undocumented result");
        // The source was readable and the destination creatable.
        FuzzCheck(result != kPellinSourceUnopenable && result != kPellinDestinationUnopenable &&
                      result != kPellinWriteFailed,
                  "a failure of the files themselves");
        FuzzCheck(!wav.has_value(), "a failure that left a destination behind");
    }
    return 0;
}
