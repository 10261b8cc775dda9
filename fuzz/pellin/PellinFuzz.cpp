// The WMA decoder library's export on arbitrary bytes, as a file of any name
// the singer picks may hold them. Whatever the input, the call returns one of
// its documented results; a success leaves a whole WAV file, any failure
// leaves no destination at all (it did not exist before the call).
#include <QFile>
#include <cstdint>

#include "decoder/pellin/Pellin.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFolder.h"
#include "fuzz/WavCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray source = WriteFuzzFile(QStringLiteral("song.wma"), data, size).toLocal8Bit();
    const QString destinationName = QStringLiteral("bgsound.wav");
    const QByteArray destination = (FuzzFolder() + destinationName).toLocal8Bit();
    QFile::remove(FuzzFolder() + destinationName);

    const int result = Pellin(source.constData(), destination.constData());
    const bool exists = QFile::exists(FuzzFolder() + destinationName);
    if (result == kPellinDecoded) {
        FuzzCheck(exists, "decoded without a destination");
        const QByteArray wav = ReadFuzzFile(destinationName);
        CheckWholeWav(reinterpret_cast<const unsigned char*>(wav.constData()),
                      static_cast<size_t>(wav.size()));
    } else {
        FuzzCheck(result >= kPellinTruncated && result <= kPellinDecoderFailed,
                  "an undocumented result");
        // The source was readable and the destination creatable.
        FuzzCheck(result != kPellinSourceUnopenable && result != kPellinDestinationUnopenable &&
                      result != kPellinWriteFailed,
                  "a failure of the files themselves");
        FuzzCheck(!exists, "a failure that left a destination behind");
    }
    return 0;
}
