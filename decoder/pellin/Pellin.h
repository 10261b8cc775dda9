#pragma once
// pellin.so: turns a Windows Media Audio file (WMA 1, 2, 9 Professional and
// Lossless; in fact any audio that FFmpeg can open, whatever the file's name)
// into a 16-bit PCM WAV file with a 44-byte header, at the source's own sample
// rate. One or two channels are kept; more are mixed down to two. The program
// loads the library by path, looks up `Pellin` and calls it through
// `PellinFunction`; the library shares nothing with the program but the two
// files. Calls are synchronous and keep no state between them; calls on
// different files may run on different threads.
//
// Only kPellinDecoded leaves a destination file behind. The destination is
// created (or truncated) only once the first frame of audio has decoded: a
// failure before that leaves it as it was, a failure after it removes it.

#ifdef __cplusplus
extern "C" {
#endif

// Results of `Pellin`. Only kPellinDecoded means the destination holds the
// decoded audio; every other result is a failed import.
enum {
    // Decoded to the end of the source. A damaged packet the decoder refused
    // was skipped, as any player skips it.
    kPellinDecoded = 0,
    // Memory for the demuxer, the decoder or the sample converter could not
    // be allocated, or the converter does not know the decoded format.
    kPellinDecoderFailed = -1,
    // The source could not be opened for reading (missing, unreadable, a
    // folder).
    kPellinSourceUnopenable = -2,
    // The destination could not be created or truncated, or it is the source
    // itself. Nothing was written.
    kPellinDestinationUnopenable = -3,
    // Writing the destination failed (a full disk, or more than a WAV file
    // can describe: 4 GiB of samples).
    kPellinWriteFailed = -4,
    // The source holds no audio: no audio stream (video or subtitles only),
    // or an audio stream without a single sample.
    kPellinNoAudio = -5,
    // Reading the source failed part way (an I/O error, or the container broke
    // off before its end), or the decoder failed for another reason than a
    // damaged packet.
    kPellinReadFailed = -6,
    // The source is not a media file that can be decoded: empty, junk, a
    // format that is not recognised, or audio in a codec without a decoder.
    kPellinNotDecodable = -7,
    // The source ends before its own header says it does: a WMA (ASF) file
    // cut short, by an interrupted download or copy.
    kPellinTruncated = -8,
};

// The export as the program calls it, looked up by the name "Pellin".
typedef int (*PellinFunction)(const char* sourcePath, const char* destinationPath);

// Decodes the file at `sourcePath` into a WAV file at `destinationPath`
// (created or truncated). Both are NUL-terminated paths of local files.
// Returns one of the kPellin results above.
__attribute__((visibility("default"))) int Pellin(const char* sourcePath,
                                                  const char* destinationPath);

#ifdef __cplusplus
}
#endif
