#pragma once
// Why a file could not be made the accompaniment, told to the user from its
// conversion library's result.

#include <QString>

// The cause for a result of ostrel.so's `Ostrel` other than kOstrelDecoded:
// the source unreadable or not MP3, a change of sample rate, bgsound.wav not
// writable, the disk full.
QString OstrelFailureCause(int result);

// The cause for a result of pellin.so's `Pellin` other than kPellinDecoded.
QString PellinFailureCause(int result);
