// The library's one export.
#include "decoder/pellin/Pellin.h"

#include <type_traits>

#include "decoder/pellin/WmaToWav.h"

static_assert(std::is_same_v<decltype(&Pellin), PellinFunction>);

extern "C" int Pellin(const char* sourcePath, const char* destinationPath) {
    if (sourcePath == nullptr) return kPellinSourceUnopenable;
    if (destinationPath == nullptr) return kPellinDestinationUnopenable;
    // Nothing may escape into a caller that knows no exceptions.
    try {
        pellin::WmaToWav conversion;
        return conversion.convert(sourcePath, destinationPath);
    } catch (...) {
        return kPellinDecoderFailed;
    }
}
