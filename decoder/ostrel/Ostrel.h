#pragma once
// ostrel.so: turns an MPEG audio file (layers I, II and III) into a 16-bit
// PCM WAV file with a 44-byte header, at the source's own channel count and
// sample rate. The first decoded frame decides the file's format: later
// frames with another channel count are made to fit it (a mono frame goes to
// both channels, a stereo frame is averaged to one), and a frame at another
// sample rate ends the decoding (kOstrelRateChanged).
//
// The program loads the library by path, looks up `Ostrel` and calls it
// through `OstrelFunction`; the library shares nothing with the program but
// the two files. Calls are synchronous and keep no state between them; calls
// on different files may run on different threads.

#ifdef __cplusplus
extern "C" {
#endif

// Results of `Ostrel`. Only kOstrelDecoded means the destination holds the
// decoded audio; every other result is a failed import.
enum {
    // Decoded to the end of the source; damaged frames were skipped.
    kOstrelDecoded = 0,
    // The decoder could not run: its working memory could not be allocated.
    // When the library's own buffers fail, both files are untouched; when
    // libmad's fail, the destination is a bare header as for kOstrelNoAudio.
    kOstrelDecoderFailed = -1,
    // The source could not be opened for reading (missing, unreadable, a
    // folder). The destination is untouched.
    kOstrelSourceUnopenable = -2,
    // The destination could not be created or truncated. Nothing was written.
    kOstrelDestinationUnopenable = -3,
    // Writing the destination failed (a full disk); the file is incomplete.
    kOstrelWriteFailed = -4,
    // No frame of the source decoded (empty, or not MPEG audio). The
    // destination is a bare 44-byte header: 1 channel, 44100 Hz, 16 bits,
    // data size 0.
    kOstrelNoAudio = -5,
    // Reading the source failed part way; the destination holds what was
    // decoded before the failure.
    kOstrelReadFailed = -6,
    // The sample rate changed part way (files joined into one). The
    // destination holds everything decoded before the first frame at the
    // new rate, a valid WAV file at the first rate.
    kOstrelRateChanged = -7,
};

// The export as the program calls it, looked up by the name "Ostrel".
typedef int (*OstrelFunction)(const char* sourcePath, const char* destinationPath);

// Decodes the file at `sourcePath` into a WAV file at `destinationPath`
// (created or truncated). Both are NUL-terminated paths. Returns one of the
// kOstrel results above.
__attribute__((visibility("default"))) int Ostrel(const char* sourcePath,
                                                  const char* destinationPath);

#ifdef __cplusplus
}
#endif
