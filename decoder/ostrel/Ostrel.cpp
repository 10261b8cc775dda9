// The library's one export.
#include "decoder/ostrel/Ostrel.h"

#include "decoder/ostrel/Mp3ToWav.h"

extern "C" int Ostrel(const char* sourcePath, const char* destinationPath) {
    if (sourcePath == nullptr) return kOstrelSourceUnopenable;
    if (destinationPath == nullptr) return kOstrelDestinationUnopenable;
    // Nothing may escape into a caller that knows no exceptions.
    try {
        ostrel::Mp3ToWav conversion;
        return conversion.convert(sourcePath, destinationPath);
    } catch (...) {
        return kOstrelDecoderFailed;
    }
}
