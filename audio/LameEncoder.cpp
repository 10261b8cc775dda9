#include "audio/LameEncoder.h"

#include <array>

Result<LameEncoder> LameEncoder::Bind(const QString& libraryFolder) {
    Result<platform::DynamicLibrary> loaded =
        platform::DynamicLibrary::Load(libraryFolder + QLatin1String(kLameEncFileName));
    if (!loaded) {
        return Failure{loaded.failure().cause,
                       QStringLiteral("加载 %1 失败").arg(QLatin1String(kLameEncFileName))};
    }
    LameEncoder encoder;
    encoder.library_ = std::move(loaded).value();
    const platform::DynamicLibrary& library = encoder.library_;
    const auto version = library.function<BeVersionFn>("beVersion");
    encoder.initStream = library.function<BeInitStreamFn>("beInitStream");
    encoder.encodeChunk = library.function<BeEncodeChunkFn>("beEncodeChunk");
    encoder.deinitStream = library.function<BeDeinitStreamFn>("beDeinitStream");
    encoder.closeStream = library.function<BeCloseStreamFn>("beCloseStream");
    encoder.writeInfoTag = library.function<BeWriteInfoTagFn>("beWriteInfoTag");
    encoder.writeVbrHeader = library.function<BeWriteVbrHeaderFn>("beWriteVBRHeader");
    if (!version || !encoder.initStream || !encoder.encodeChunk || !encoder.deinitStream ||
        !encoder.closeStream || !encoder.writeVbrHeader) {
        return Failure{FailureCause::Missing, QStringLiteral("加载接口失败")};
    }
    // Asked once, as every caller of the library does before its first stream.
    std::array<uint8_t, lame_enc::kVersionBytes> record{};
    version(record.data());
    return encoder;
}
