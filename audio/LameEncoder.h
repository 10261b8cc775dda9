#pragma once
// The encoder library lame_enc.so, loaded from a folder and bound to its
// entry points for the length of one export; unloaded when the object goes,
// after the streams made with it. UI thread only.

#include <QString>

#include "base/Result.h"
#include "encoder/LameEnc.h"
#include "platform/DynamicLibrary.h"

// The encoder library's file name, looked for in the folder given to Bind.
inline constexpr char kLameEncFileName[] = "lame_enc.so";

class LameEncoder {
public:
    // Loads kLameEncFileName from `libraryFolder` (ending with "/") and finds
    // its entry points; beWriteInfoTag may be missing, the others may not.
    static Result<LameEncoder> Bind(const QString& libraryFolder);

    BeInitStreamFn initStream = nullptr;
    BeEncodeChunkFn encodeChunk = nullptr;
    BeDeinitStreamFn deinitStream = nullptr;
    BeCloseStreamFn closeStream = nullptr;
    BeWriteInfoTagFn writeInfoTag = nullptr;  // null: the older beWriteVBRHeader writes the tag
    BeWriteVbrHeaderFn writeVbrHeader = nullptr;

private:
    platform::DynamicLibrary library_;
};
