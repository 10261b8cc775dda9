#include "audio/Mp3Export.h"

#include <QFile>
#include <cstdio>
#include <memory>
#include <new>

#include "audio/Mp3EncodingStream.h"
#include "audio/ReplacingFile.h"
#include "audio/WavHeader.h"
#include "base/Global.h"

namespace {

// The source header up to and including bits per sample.
constexpr size_t kSourceHeaderBytes = 36;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

Failure ReadFailure(const QString& text, const QString& path) {
    return {FailureCause::Unreadable, text + path};
}
Failure WriteFailure(const QString& path) {
    return {FailureCause::Unwritable, QStringLiteral("写文件失败：") + path};
}

// The source file opened, its header read and its size known.
struct Source {
    File file;
    WavHeader header{};
    int64_t fileBytes = 0;
};

Result<Source> OpenSource(const QString& path) {
    Source source;
    source.file.reset(std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!source.file) return ReadFailure(QStringLiteral("打开文件失败："), path);
    // Bytes a short file does not have stay 0; the encoder refuses a rate
    // of 0. A source that opens but cannot be read (a folder) is refused here.
    std::fread(&source.header, 1, kSourceHeaderBytes, source.file.get());
    if (std::ferror(source.file.get())) return ReadFailure(QStringLiteral("打开文件失败："), path);
    fseeko(source.file.get(), 0, SEEK_END);
    source.fileBytes = ftello(source.file.get());
    fseeko(source.file.get(), kWavHeaderBytes, SEEK_SET);
    return source;
}

// Every sample of the source through the stream into `out`, with progress.
Status EncodeSamples(Source& source, const QString& sourcePath, Mp3EncodingStream& stream,
                     std::FILE* out, Mp3ExportProgress& progress) {
    const uint32_t chunk = stream.samplesPerChunk();
    const std::unique_ptr<int16_t[]> samples(new (std::nothrow) int16_t[chunk]);
    if (!samples) return Failure{FailureCause::OutOfMemory, QStringLiteral("Out of memory")};
    progress.setMaximum(source.fileBytes);
    int64_t consumedBytes = 0;
    for (;;) {
        const size_t count = std::fread(samples.get(), 2, chunk, source.file.get());
        if (count == 0) break;
        if (Status encoded = stream.Encode(samples.get(), static_cast<uint32_t>(count), out);
            !encoded) {
            return encoded;
        }
        consumedBytes += static_cast<int64_t>(count) * 2;
        progress.setPosition(consumedBytes);
        const int percent = static_cast<int>(static_cast<double>(consumedBytes) * 100.0 /
                                             static_cast<double>(source.fileBytes));
        progress.setPercentText(QString::number(percent) + QLatin1Char('%'));
        progress.processPendingEvents();
    }
    // A read error must not pass for the end of the song.
    if (std::ferror(source.file.get())) return ReadFailure(QStringLiteral("读文件失败："), sourcePath);
    return {};
}

}  // namespace

QString ProposedMp3FileName(const QString& musicFile) {
    return StripFileExt(musicFile) + QStringLiteral("_Quaviro录歌制作.mp3");
}

Status ConvertToMp3(const QString& libraryFolder, const QString& sourcePath,
                    const QString& destinationPath, Mp3ExportProgress& progress) {
    // Declared first, so it is unloaded after the stream that belongs to it.
    const Result<LameEncoder> encoder = LameEncoder::Bind(libraryFolder);
    if (!encoder) return encoder.failure();
    Result<Source> source = OpenSource(sourcePath);
    if (!source) return source.failure();
    // Written beside the destination and put in its place only when whole:
    // a failed save leaves the song it would have replaced as it was.
    ReplacingFile destination(destinationPath);
    if (!destination.open()) {
        return Failure{FailureCause::Unwritable, QStringLiteral("创建文件失败：") + destinationPath};
    }
    Result<Mp3EncodingStream> stream =
        Mp3EncodingStream::Open(encoder.value(), source->header, destinationPath);
    if (!stream) return stream.failure();

    if (Status encoded =
            EncodeSamples(source.value(), sourcePath, stream.value(), destination.file(), progress);
        !encoded) {
        return encoded;
    }
    if (Status finished = stream->Finish(destination.file()); !finished) return finished;
    source->file.reset();
    // Bytes still buffered reach the disk only here: a full disk shows now.
    if (!destination.close()) return WriteFailure(destinationPath);
    // The tag is part of the file: without it the file is not complete.
    if (Status tagged = stream->WriteInfoTag(destination.writtenPath()); !tagged) return tagged;
    if (!destination.commit()) return WriteFailure(destinationPath);
    return {};
}
