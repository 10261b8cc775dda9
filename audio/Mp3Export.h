#pragma once
// The MP3 export run: encodes a WAV work file into an MP3 file through the
// encoder library lame_enc.so, which is loaded by name for the run and
// unloaded after it. No widgets: progress goes to an Mp3ExportProgress, and
// a failure, with its text for a "提示" box, to the caller. UI thread only.

#include <QString>
#include <cstdint>

#include "audio/LameEncoder.h"
#include "base/Result.h"

// What the run tells the window that shows it.
class Mp3ExportProgress {
public:
    virtual ~Mp3ExportProgress() = default;
    // Once, before the first chunk: the source file's size in bytes.
    virtual void setMaximum(int64_t bytes) = 0;
    // After each chunk: the sample bytes consumed so far.
    virtual void setPosition(int64_t bytes) = 0;
    // After each chunk: the consumed share as "NN%".
    virtual void setPercentText(const QString& text) = 0;
    // After each chunk: let pending window events run, so the window repaints.
    virtual void processPendingEvents() = 0;
};

// The save dialog's proposed name for the MP3 of a take sung to `musicFile`
// (the accompaniment's path, empty when none was imported): its file name
// without the extension, followed by "_Quaviro录歌制作.mp3".
QString ProposedMp3FileName(const QString& musicFile);

// Encodes the WAV file `sourcePath` (44-byte header, 16-bit samples to the
// end of the file) into `destinationPath` at 128 kbit/s constant bit rate,
// mono for a mono source and joint stereo otherwise, with the Info tag,
// loading kLameEncFileName from `libraryFolder` (ending with "/"). Succeeds
// when the MP3 file was completed. Everything the run loads, opens or
// allocates is released on every path. The MP3 file is written beside the
// destination and replaces it only once it is complete, tag included: after a
// failure a file already at the destination is as it was, and nothing of
// the failed run is left.
Status ConvertToMp3(const QString& libraryFolder, const QString& sourcePath,
                    const QString& destinationPath, Mp3ExportProgress& progress);
