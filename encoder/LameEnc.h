#pragma once
// The binary interface of lame_enc.so, the MP3 encoder library that the
// program loads by name at run time: the layout of the configuration record,
// the version record, the result codes and the seven entry points. Included
// by the library, which defines the entry points, and by the program, which
// only uses the types and constants (it finds the functions with dlsym).
//
// Threading: any thread may use the library; one stream is used by one
// thread at a time.

#include <cstddef>
#include <cstdint>

namespace lame_enc {

// --- configuration record -------------------------------------------------
// kConfigBytes bytes, zeroed, then filled with little-endian 32-bit fields at
// these byte offsets. Offsets not listed are not read.
inline constexpr size_t kConfigBytes = 328;
inline constexpr uint32_t kConfigKindLame = 256;  // the only kind this library reads
inline constexpr uint32_t kConfigVersion = 1;

namespace config {
inline constexpr size_t kKind = 0;              // kConfigKindLame
inline constexpr size_t kVersion = 4;           // kConfigVersion or later
inline constexpr size_t kSize = 8;              // bytes of the record, at least kBytesRead
inline constexpr size_t kSampleRateHz = 12;     // input sample rate
inline constexpr size_t kOutSampleRateHz = 16;  // 0: the input rate when MP3 allows it
inline constexpr size_t kMode = 20;             // a Mode value below
inline constexpr size_t kBitRateKbps = 24;      // constant bit rate
inline constexpr size_t kMaxBitRateKbps = 28;   // only for VBR, which is not offered
inline constexpr size_t kPreset = 32;           // quality preset number
inline constexpr size_t kMpegVersion = 36;      // not read: the sample rate decides it
inline constexpr size_t kPsyModel = 40;         // libmp3lame has one model: not read
inline constexpr size_t kEmphasis = 44;         // 0 none, 1 50/15 ms, 3 CCITT J.17
inline constexpr size_t kPrivate = 48;          // private bit
inline constexpr size_t kCrc = 52;              // CRC protection of each frame
inline constexpr size_t kCopyright = 56;        // copyright bit
inline constexpr size_t kOriginal = 60;         // "original" bit
inline constexpr size_t kWriteVbrHeader = 64;   // reserve a frame for the Info/Xing tag
inline constexpr size_t kVbr = 68;              // must be 0: constant bit rate only
inline constexpr size_t kVbrMethod = 80;        // only for VBR: not read
inline constexpr size_t kNoBitReservoir = 84;   // non-zero: every frame self-contained
inline constexpr size_t kBytesRead = 88;        // the record must be at least this long
}  // namespace config

// The mode field. The input has one channel in kModeMono, two otherwise.
inline constexpr uint32_t kModeStereo = 0;
inline constexpr uint32_t kModeJointStereo = 1;
inline constexpr uint32_t kModeDualChannel = 2;  // not offered by libmp3lame: refused
inline constexpr uint32_t kModeMono = 3;

// Quality presets. kPresetStandard selects libmp3lame's algorithm quality 3,
// the same work the lame command does by default; any other number leaves
// libmp3lame's own default. A preset never changes the bit rate or the mode.
inline constexpr uint32_t kPresetStandard = 6;
inline constexpr int kStandardAlgorithmQuality = 3;

// --- version record -------------------------------------------------------
// kVersionBytes bytes filled by beVersion.
inline constexpr size_t kVersionBytes = 265;
namespace version {
inline constexpr size_t kLibraryMajor = 0;  // u8
inline constexpr size_t kLibraryMinor = 1;  // u8
inline constexpr size_t kEngineMajor = 2;   // u8: libmp3lame's version
inline constexpr size_t kEngineMinor = 3;   // u8
inline constexpr size_t kEngineText = 8;    // libmp3lame's version text, NUL-terminated
}  // namespace version
inline constexpr uint8_t kLibraryMajor = 1;
inline constexpr uint8_t kLibraryMinor = 0;

// --- results --------------------------------------------------------------
using Result = uint32_t;
inline constexpr Result kOk = 0;
inline constexpr Result kErrInvalidFormat = 1;      // not a record of kConfigKindLame
inline constexpr Result kErrInvalidParameters = 2;  // a field the encoder refuses
inline constexpr Result kErrNoMoreHandles = 3;      // no memory for another stream
inline constexpr Result kErrInvalidHandle = 4;      // unknown, released or finished stream
inline constexpr Result kErrBufferTooSmall = 5;     // more samples than one chunk
inline constexpr Result kErrEncoder = 6;            // libmp3lame failed
inline constexpr Result kErrFile = 7;               // the file to tag cannot be opened
inline constexpr Result kErrNoTag = 8;              // no stream is waiting for its tag

// A stream handle: a number the library gives out, never 0 and never reused
// while the library stays loaded.
using Stream = uint64_t;

}  // namespace lame_enc

// --- entry points ---------------------------------------------------------
// Call order for one file: beInitStream, beEncodeChunk for each chunk,
// beDeinitStream (the last bytes), beCloseStream, then beWriteInfoTag with
// the finished file. A stream closed after beDeinitStream with the tag
// requested waits for beWriteInfoTag (or beWriteVBRHeader), which writes the
// tag and releases it; only the latest such stream waits, so closing another
// releases the earlier one. Any other close releases at once.
using BeVersionFn = void (*)(uint8_t* versionRecord);
// samplesPerChunk counts 16-bit samples of all channels together; the MP3
// buffer handed to beEncodeChunk and beDeinitStream must hold mp3BufferBytes.
using BeInitStreamFn = lame_enc::Result (*)(const uint8_t* config, uint32_t* samplesPerChunk,
                                            uint32_t* mp3BufferBytes, lame_enc::Stream* stream);
// sampleCount 16-bit samples, interleaved, at most samplesPerChunk.
using BeEncodeChunkFn = lame_enc::Result (*)(lame_enc::Stream stream, uint32_t sampleCount,
                                             const int16_t* samples, uint8_t* mp3,
                                             uint32_t* mp3Bytes);
using BeDeinitStreamFn = lame_enc::Result (*)(lame_enc::Stream stream, uint8_t* mp3,
                                              uint32_t* mp3Bytes);
using BeCloseStreamFn = lame_enc::Result (*)(lame_enc::Stream stream);
using BeWriteInfoTagFn = lame_enc::Result (*)(lame_enc::Stream stream, const char* path);
// Writes the tag of the stream that waits for one into the file at `path`.
using BeWriteVbrHeaderFn = lame_enc::Result (*)(const char* path);

#ifdef LAME_ENC_LIBRARY
#define LAME_ENC_EXPORT extern "C" __attribute__((visibility("default")))
LAME_ENC_EXPORT void beVersion(uint8_t* versionRecord);
LAME_ENC_EXPORT lame_enc::Result beInitStream(const uint8_t* config, uint32_t* samplesPerChunk,
                                              uint32_t* mp3BufferBytes, lame_enc::Stream* stream);
LAME_ENC_EXPORT lame_enc::Result beEncodeChunk(lame_enc::Stream stream, uint32_t sampleCount,
                                               const int16_t* samples, uint8_t* mp3,
                                               uint32_t* mp3Bytes);
LAME_ENC_EXPORT lame_enc::Result beDeinitStream(lame_enc::Stream stream, uint8_t* mp3,
                                                uint32_t* mp3Bytes);
LAME_ENC_EXPORT lame_enc::Result beCloseStream(lame_enc::Stream stream);
LAME_ENC_EXPORT lame_enc::Result beWriteInfoTag(lame_enc::Stream stream, const char* path);
LAME_ENC_EXPORT lame_enc::Result beWriteVBRHeader(const char* path);
#endif
