#include "audio/Mp3Export.h"

#include <QFile>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "audio/ReplacingFile.h"
#include "audio/WavHeader.h"
#include "encoder/LameEnc.h"
#include "net/Global.h"
#include "platform/DynamicLibrary.h"
#include "platform/UserMessages.h"

namespace {

// The source header up to and including bits per sample.
constexpr size_t kSourceHeaderBytes = 36;

void Tell(const QString& text) { platform::Messages().messageBox(text, QStringLiteral("提示")); }

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(const QString& path, const char* mode) {
    return File(std::fopen(QFile::encodeName(path).constData(), mode));
}

struct EncoderEntries {
    BeVersionFn version = nullptr;
    BeInitStreamFn initStream = nullptr;
    BeEncodeChunkFn encodeChunk = nullptr;
    BeDeinitStreamFn deinitStream = nullptr;
    BeCloseStreamFn closeStream = nullptr;
    BeWriteInfoTagFn writeInfoTag = nullptr;  // may be missing
    BeWriteVbrHeaderFn writeVbrHeader = nullptr;

    // Looks up the seven entry points; false when a required one is missing.
    bool bind(const platform::DynamicLibrary& library) {
        version = library.function<BeVersionFn>("beVersion");
        initStream = library.function<BeInitStreamFn>("beInitStream");
        encodeChunk = library.function<BeEncodeChunkFn>("beEncodeChunk");
        deinitStream = library.function<BeDeinitStreamFn>("beDeinitStream");
        closeStream = library.function<BeCloseStreamFn>("beCloseStream");
        writeInfoTag = library.function<BeWriteInfoTagFn>("beWriteInfoTag");
        writeVbrHeader = library.function<BeWriteVbrHeaderFn>("beWriteVBRHeader");
        return version && initStream && encodeChunk && deinitStream && closeStream &&
               writeVbrHeader;
    }
};

// Closes the encoder's stream on every path that leaves it open.
class OpenStream {
public:
    explicit OpenStream(BeCloseStreamFn closeStream) : closeStream_(closeStream) {}
    ~OpenStream() { close(); }
    OpenStream(const OpenStream&) = delete;
    OpenStream& operator=(const OpenStream&) = delete;

    lame_enc::Stream* handleToFill() { return &handle_; }
    void opened() { open_ = true; }
    lame_enc::Stream handle() const { return handle_; }
    void close() {
        if (open_) {
            open_ = false;
            closeStream_(handle_);
        }
    }

private:
    BeCloseStreamFn closeStream_;
    lame_enc::Stream handle_ = 0;
    bool open_ = false;
};

void PutField(std::array<uint8_t, lame_enc::kConfigBytes>& record, size_t offset, uint32_t value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
}

// The encoder configuration for a source of the header's format.
std::array<uint8_t, lame_enc::kConfigBytes> MakeConfig(const WavHeader& source) {
    namespace f = lame_enc::config;
    std::array<uint8_t, lame_enc::kConfigBytes> record{};
    PutField(record, f::kKind, lame_enc::kConfigKindLame);
    PutField(record, f::kVersion, lame_enc::kConfigVersion);
    PutField(record, f::kSize, lame_enc::kConfigBytes);
    PutField(record, f::kSampleRateHz, source.sampleRate);
    PutField(record, f::kOutSampleRateHz, 0);
    PutField(record, f::kMode,
             source.channels == 1 ? lame_enc::kModeMono : lame_enc::kModeJointStereo);
    // 16-bit sources give 128 kbit/s.
    PutField(record, f::kBitRateKbps, source.bitsPerSample * 8u);
    PutField(record, f::kPreset, lame_enc::kPresetStandard);
    PutField(record, f::kMpegVersion, 1);
    PutField(record, f::kOriginal, 1);
    PutField(record, f::kWriteVbrHeader, 1);
    PutField(record, f::kVbr, 0);
    // A 32-bit 1 at offset 81: it lies across the VBR-method field (which
    // reads 256 and means nothing without VBR) and leaves the no-reservoir
    // flag at 84 zero, so the encoder keeps its bit reservoir.
    PutField(record, 81, 1);
    return record;
}

}  // namespace

QString ProposedMp3FileName(const QString& musicFile) {
    return StripFileExt(musicFile) + QStringLiteral("_Quaviro录歌制作.mp3");
}

bool ConvertToMp3(const QString& libraryFolder, const QString& sourcePath,
                  const QString& destinationPath, Mp3ExportProgress& progress) {
    // Declared first, so it is unloaded after the stream and buffers that
    // belong to it are released.
    QString loadError;
    const platform::DynamicLibrary library =
        platform::DynamicLibrary::Load(libraryFolder + QLatin1String(kLameEncFileName), &loadError);
    if (!library) {
        Tell(QStringLiteral("加载 %1 失败").arg(QLatin1String(kLameEncFileName)));
        return false;
    }
    EncoderEntries encoder;
    if (!encoder.bind(library)) {
        Tell(QStringLiteral("加载接口失败"));
        return false;
    }
    std::array<uint8_t, lame_enc::kVersionBytes> version{};
    encoder.version(version.data());

    File source = OpenFile(sourcePath, "rb");
    if (!source) {
        Tell(QStringLiteral("打开文件失败：") + sourcePath);
        return false;
    }
    // Bytes a short file does not have stay 0; the encoder refuses a rate
    // of 0. A source that opens but cannot be read (a folder) is refused here.
    WavHeader header{};
    std::fread(&header, 1, kSourceHeaderBytes, source.get());
    if (std::ferror(source.get())) {
        Tell(QStringLiteral("打开文件失败：") + sourcePath);
        return false;
    }

    // Written beside the destination and put in its place only when whole:
    // a failed save leaves the song it would have replaced as it was.
    ReplacingFile destination(destinationPath);
    if (!destination.open()) {
        Tell(QStringLiteral("创建文件失败：") + destinationPath);
        return false;
    }

    const std::array<uint8_t, lame_enc::kConfigBytes> config = MakeConfig(header);
    uint32_t samplesPerChunk = 0;
    uint32_t mp3BufferBytes = 0;
    OpenStream stream(encoder.closeStream);
    if (encoder.initStream(config.data(), &samplesPerChunk, &mp3BufferBytes,
                           stream.handleToFill()) != lame_enc::kOk) {
        Tell(QStringLiteral("beInitStream失败：") + destinationPath);
        return false;
    }
    stream.opened();

    const std::unique_ptr<uint8_t[]> mp3(new (std::nothrow) uint8_t[mp3BufferBytes]);
    const std::unique_ptr<int16_t[]> samples(new (std::nothrow) int16_t[samplesPerChunk]);
    if (!mp3 || !samples) {
        Tell(QStringLiteral("Out of memory"));
        return false;
    }

    fseeko(source.get(), 0, SEEK_END);
    const int64_t fileBytes = ftello(source.get());
    progress.setMaximum(fileBytes);
    fseeko(source.get(), kWavHeaderBytes, SEEK_SET);

    int64_t consumedBytes = 0;
    uint32_t mp3Bytes = 0;
    for (;;) {
        const size_t count = std::fread(samples.get(), 2, samplesPerChunk, source.get());
        if (count == 0) break;
        if (encoder.encodeChunk(stream.handle(), static_cast<uint32_t>(count), samples.get(),
                                mp3.get(), &mp3Bytes) != lame_enc::kOk) {
            stream.close();
            Tell(QStringLiteral("beCloseStream failed"));
            return false;
        }
        if (std::fwrite(mp3.get(), 1, mp3Bytes, destination.file()) < mp3Bytes) {
            Tell(QStringLiteral("写文件失败：") + destinationPath);
            return false;
        }
        consumedBytes += static_cast<int64_t>(count) * 2;
        progress.setPosition(consumedBytes);
        const int percent = static_cast<int>(static_cast<double>(consumedBytes) * 100.0 /
                                             static_cast<double>(fileBytes));
        progress.setPercentText(QString::number(percent) + QLatin1Char('%'));
        progress.processPendingEvents();
    }
    // A read error must not pass for the end of the song.
    if (std::ferror(source.get())) {
        Tell(QStringLiteral("读文件失败：") + sourcePath);
        return false;
    }

    if (encoder.deinitStream(stream.handle(), mp3.get(), &mp3Bytes) != lame_enc::kOk) {
        stream.close();
        Tell(QStringLiteral("beExitStream failed"));
        return false;
    }
    if (mp3Bytes > 0 && std::fwrite(mp3.get(), 1, mp3Bytes, destination.file()) < mp3Bytes) {
        Tell(QStringLiteral("写文件失败!：") + destinationPath);
        return false;
    }

    stream.close();
    source.reset();
    // Bytes still buffered reach the disk only here: a full disk shows now.
    if (!destination.close()) {
        Tell(QStringLiteral("写文件失败：") + destinationPath);
        return false;
    }

    // The tag is part of the file: without it the file is not complete.
    const QByteArray writtenName = QFile::encodeName(destination.writtenPath());
    const lame_enc::Result tagged =
        encoder.writeInfoTag ? encoder.writeInfoTag(stream.handle(), writtenName.constData())
                             : encoder.writeVbrHeader(writtenName.constData());
    if (tagged != lame_enc::kOk || !destination.commit()) {
        Tell(QStringLiteral("写文件失败：") + destinationPath);
        return false;
    }
    return true;
}
