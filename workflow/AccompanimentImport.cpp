#include "workflow/AccompanimentImport.h"

#include <QCoreApplication>
#include <QFile>

#include "audio/WavHeader.h"
#include "base/Global.h"
#include "decoder/ostrel/Ostrel.h"
#include "decoder/pellin/Pellin.h"
#include "workflow/DllBinding.h"
#include "workflow/ImportFailureCause.h"
#include "workflow/UserMessages.h"

namespace {

// The conversion libraries' common export: source path, destination path.
using ConvertFunction = int (*)(const char*, const char*);

// The library beside the program that turns a file of each kind into bgsound.wav.
struct Converter {
    const char* extension;
    const char* library;
    const char* exportName;
    int decoded;                          // the export's result for a file converted whole
    QString (*failureCause)(int result);  // why any other result failed, for the user
};
constexpr Converter kConverters[] = {
    {"mp3", "ostrel.so", "Ostrel", kOstrelDecoded, &OstrelFailureCause},
    {"wma", "pellin.so", "Pellin", kPellinDecoded, &PellinFailureCause},
};

const Converter* ConverterFor(const QString& extension) {
    for (const Converter& converter : kConverters) {
        if (extension == QLatin1String(converter.extension)) return &converter;
    }
    return nullptr;
}

QString Bgsound() { return TempFolder() + QStringLiteral("bgsound.wav"); }

}  // namespace

void AccompanimentImport::ButtonImportBGsoundClick() {
    if (s_.State.accompanimentBusy()) return;
    TakeState::BusyScope busy(s_.State);
    const QString path = s_.View.chooseAccompaniment();
    if (path.isEmpty()) return;
    s_.MusicFile = path;
    s_.View.setBusyCursor(true);
    QCoreApplication::processEvents();
    ImportAccompaniment(s_.MusicFile);
    s_.View.setBusyCursor(false);
}

void AccompanimentImport::ImportAccompaniment(const QString& path) {
    TakeState::BusyScope busy(s_.State);
    const QString song = StripFileExt(path);
    std::unique_ptr<QObject> note =
        s_.View.showNote(QStringLiteral("正在导入伴奏: ") + song + QStringLiteral(" ..."));
    QCoreApplication::processEvents();

    s_.MusicFile = path;
    s_.View.setStatus(QStringLiteral("正在导入 ") + song);
    const Result<bool> converted = Convert(path, song);
    if (!converted) {
        // The message about it comes after the message window has gone.
        note.reset();
        ForgetAccompaniment(song, converted.failure());
    } else {
        ShowAccompanimentLength(song);
        note.reset();
    }

    s_.View.setElapsedTime(QStringLiteral("00:00"));
    s_.View.setControlHint(WindowControl::Record, QStringLiteral("开始录歌"));
    s_.View.setButtonFace(WindowControl::Record, 0);
    // The copies in other keys were of the accompaniment before.
    if (s_.AccompanimentChanged) s_.AccompanimentChanged();
}

Result<bool> AccompanimentImport::Convert(const QString& path, const QString& song) {
    const Converter* converter = ConverterFor(LowerFileExt(path));
    if (!converter) return false;
    const QString libraryPath = WorkFolder() + QLatin1String(converter->library);
    if (!QFile::exists(libraryPath)) return false;

    Result<BoundExport> bound = BindDllProc(libraryPath, converter->exportName);
    if (!bound) {
        // Told at once; the import goes on as for a kind without a library.
        ShowFailure(bound.failure());
        return false;
    }
    const int result = reinterpret_cast<ConvertFunction>(bound->function)(
        path.toLocal8Bit().constData(), Bgsound().toLocal8Bit().constData());
    bound->library.unload();

    if (result != converter->decoded) {
        return Failure{FailureCause::Invalid, QStringLiteral("无法导入伴奏 ") + song +
                                                  QStringLiteral("：") +
                                                  converter->failureCause(result)};
    }
    s_.View.setStatus(QStringLiteral("已导入伴奏: ") + song);
    return true;
}

// After a failed conversion no accompaniment is in force: neither an older
// bgsound.wav under the new song's name nor a half-written one.
void AccompanimentImport::ForgetAccompaniment(const QString& song, const Failure& failure) {
    QFile::remove(Bgsound());
    s_.MusicFile.clear();
    InitWavHeader(s_.CurrentFormat, 1, 44100, 16);
    s_.View.setTotalTime(QStringLiteral("/00:00"));
    s_.State.setGaugeMaximum(100);
    s_.State.setGaugeProgress(0);
    s_.View.setStatus(QStringLiteral("导入伴奏失败: ") + song);
    ShowFailure(failure);
}

void AccompanimentImport::ShowAccompanimentLength(const QString& song) {
    const int64_t fileBytes = ReadWavHeader(Bgsound().toLocal8Bit().constData(), s_.CurrentFormat);
    if (fileBytes < 0) return;
    const WavHeader& f = s_.CurrentFormat;
    if (WavBytesPerSecond(f.channels, static_cast<int>(f.sampleRate), f.bitsPerSample) == 0) {
        // No length can be told from such a header; say so instead.
        s_.View.setStatus(QStringLiteral("伴奏格式无法识别: ") + song);
        return;
    }
    const int seconds = WavDurationSeconds(WavDataLength(fileBytes), f.channels,
                                           static_cast<int>(f.sampleRate), f.bitsPerSample);
    s_.View.setTotalTime(QString::asprintf("/%02d:%02d", seconds / 60, seconds % 60));
    s_.State.setGaugeMaximum(seconds);
    s_.State.setGaugeProgress(0);
}
