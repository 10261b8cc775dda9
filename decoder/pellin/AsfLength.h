#pragma once
// The length that an ASF file (WMA, WMV) declares in its own header. avformat
// decodes whatever packets a file cut short still holds and reports no error,
// so an interrupted download would pass for a shorter song; the header tells.

#include <cstdint>
#include <optional>

namespace pellin {

// Where the file at `descriptor` must end at least: the end of its data
// object, by the object's size or, where that is not given, by its packet
// count and fixed packet size; the end of the header and of the data
// object's own header when the file declares neither (a broadcast stream).
// nullopt for a file that does not start with an ASF header. Reads with
// pread, so the descriptor's position is left alone.
std::optional<uint64_t> AsfDeclaredLength(int descriptor);

}  // namespace pellin
