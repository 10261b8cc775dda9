#include "decoder/pellin/AsfLength.h"

#include <unistd.h>

#include <cstring>
#include <limits>

namespace pellin {

namespace {

// Object identifiers as they lie in the file (GUIDs with their first three
// fields little-endian).
constexpr unsigned char kHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kDataObject[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kFilePropertiesObject[16] = {
    0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11, 0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};

// Every object starts with its identifier and its size, header included.
constexpr size_t kObjectHeaderBytes = 24;
// The header object adds its object count and two reserved bytes.
constexpr size_t kHeaderObjectBytes = 30;
// The data object adds the file id, the packet count and two reserved bytes.
constexpr size_t kDataObjectHeaderBytes = 50;
constexpr size_t kDataPacketCountAt = 40;
// The fields of the file properties object that matter here.
constexpr size_t kFilePropertiesBytes = 104;
constexpr size_t kFlagsAt = 88;
constexpr size_t kMinPacketSizeAt = 92;
constexpr size_t kMaxPacketSizeAt = 96;
constexpr uint32_t kBroadcastFlag = 1;

uint64_t Read64(const unsigned char* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

uint32_t Read32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool ReadAt(int descriptor, uint64_t offset, unsigned char* buffer, size_t bytes) {
    if (offset > uint64_t{std::numeric_limits<off_t>::max()}) return false;
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n =
            pread(descriptor, buffer + done, bytes - done, static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

struct FileProperties {
    bool broadcast = false;
    uint32_t packetBytes = 0;  // 0 unless every packet has the same size
};

// The header's sub-objects follow its own 30 bytes; the walk is bounded by
// the header's size and its object count.
FileProperties FindFileProperties(int descriptor, uint64_t headerBytes, uint32_t objectCount) {
    FileProperties properties;
    uint64_t offset = kHeaderObjectBytes;
    for (uint32_t i = 0; i < objectCount && offset + kObjectHeaderBytes <= headerBytes; ++i) {
        unsigned char object[kFilePropertiesBytes];
        if (!ReadAt(descriptor, offset, object, kObjectHeaderBytes)) break;
        const uint64_t objectBytes = Read64(object + 16);
        if (objectBytes < kObjectHeaderBytes || objectBytes > headerBytes - offset) break;
        if (std::memcmp(object, kFilePropertiesObject, 16) == 0 &&
            objectBytes >= kFilePropertiesBytes &&
            ReadAt(descriptor, offset, object, kFilePropertiesBytes)) {
            properties.broadcast = (Read32(object + kFlagsAt) & kBroadcastFlag) != 0;
            const uint32_t minPacket = Read32(object + kMinPacketSizeAt);
            if (minPacket == Read32(object + kMaxPacketSizeAt)) properties.packetBytes = minPacket;
            break;
        }
        offset += objectBytes;
    }
    return properties;
}

}  // namespace

std::optional<uint64_t> AsfDeclaredLength(int descriptor) {
    unsigned char header[kHeaderObjectBytes];
    if (!ReadAt(descriptor, 0, header, sizeof header) ||
        std::memcmp(header, kHeaderObject, 16) != 0) {
        return std::nullopt;
    }
    const uint64_t headerBytes = Read64(header + 16);
    constexpr uint64_t kLimit = std::numeric_limits<uint64_t>::max() / 2;
    // A size this wrong is no length; avformat refuses such a header itself.
    if (headerBytes < kHeaderObjectBytes || headerBytes > kLimit) return std::nullopt;
    // The data object's header must be there in any case.
    const uint64_t minimum = headerBytes + kDataObjectHeaderBytes;

    const FileProperties properties =
        FindFileProperties(descriptor, headerBytes, Read32(header + 24));
    unsigned char data[kDataObjectHeaderBytes];
    if (!ReadAt(descriptor, headerBytes, data, sizeof data)) return minimum;
    // A broadcast stream is written before its sizes are known.
    if (std::memcmp(data, kDataObject, 16) != 0 || properties.broadcast) return minimum;

    // The data object's size, or else its packets.
    const uint64_t dataBytes = Read64(data + 16);
    if (dataBytes > kDataObjectHeaderBytes && dataBytes <= kLimit) return headerBytes + dataBytes;
    const uint64_t packets = Read64(data + kDataPacketCountAt);
    if (properties.packetBytes > 0 && packets > 0 && packets <= kLimit / properties.packetBytes)
        return minimum + packets * properties.packetBytes;
    return minimum;
}

}  // namespace pellin
