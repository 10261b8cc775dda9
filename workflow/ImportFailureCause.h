#pragma once
// Why an MP3 file could not be made the accompaniment, told to the user from
// the decoder library's result.

#include <QString>

// The cause for a result of `Ostrel` other than kOstrelDecoded (the source
// unreadable or not MP3, bgsound.wav not writable, the disk full).
QString ImportFailureCause(int ostrelResult);
