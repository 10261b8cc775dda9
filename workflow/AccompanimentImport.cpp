#include "workflow/AccompanimentImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QWidget>

#include "audio/WavHeader.h"
#include "controls/ClickableLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "decoder/ostrel/Ostrel.h"
#include "decoder/pellin/Pellin.h"
#include "net/Global.h"
#include "platform/UserMessages.h"
#include "workflow/BusyScope.h"
#include "workflow/DllBinding.h"
#include "workflow/ImportFailureCause.h"

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

AccompanimentImport::AccompanimentImport(MainWindowParts& window, ChooseFileFunction chooseFile,
                                         ShowNoteFunction showNote)
    : w_(window), chooseFile_(std::move(chooseFile)), showNote_(std::move(showNote)) {}

void AccompanimentImport::ButtonImportBGsoundClick() {
    if (w_.AccompanimentBusy) return;
    BusyScope busy(w_.AccompanimentBusy);
    const QString path = chooseFile_();
    if (path.isEmpty()) return;
    w_.MusicFile = path;
    w_.Window->setCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    ImportAccompaniment(w_.MusicFile);
    w_.Window->unsetCursor();
}

void AccompanimentImport::ImportAccompaniment(const QString& path) {
    BusyScope busy(w_.AccompanimentBusy);
    const QString song = StripFileExt(path);
    std::unique_ptr<QObject> note =
        showNote_(QStringLiteral("正在导入伴奏: ") + song + QStringLiteral(" ..."));
    QCoreApplication::processEvents();

    w_.MusicFile = path;
    w_.LabelCur->setText(QStringLiteral("正在导入 ") + song);
    if (Convert(path, song) == Conversion::Failed) {
        // The message about it comes after the message window has gone.
        note.reset();
        ForgetAccompaniment(song);
    } else {
        ShowAccompanimentLength(song);
        note.reset();
    }

    w_.LabelTimeDone->setText(QStringLiteral("00:00"));
    w_.EzRgnBtnRecord->setToolTip(QStringLiteral("开始录歌"));
    w_.EzRgnBtnRecord->SetFace(*w_.ImageListStart, 0);
}

AccompanimentImport::Conversion AccompanimentImport::Convert(const QString& path,
                                                             const QString& song) {
    const Converter* converter = ConverterFor(LowerFileExt(path));
    if (!converter) return Conversion::NotTried;
    const QString libraryPath = WorkFolder() + QLatin1String(converter->library);
    if (!QFile::exists(libraryPath)) return Conversion::NotTried;

    platform::DynamicLibrary dll;
    void* function = nullptr;
    if (!BindDllProc(libraryPath, converter->exportName, dll, function)) {
        return Conversion::NotTried;
    }
    const int result = reinterpret_cast<ConvertFunction>(function)(
        path.toLocal8Bit().constData(), Bgsound().toLocal8Bit().constData());
    dll.unload();

    if (result != converter->decoded) {
        failureCause_ = converter->failureCause(result);
        return Conversion::Failed;
    }
    w_.LabelCur->setText(QStringLiteral("已导入伴奏: ") + song);
    return Conversion::Converted;
}

// After a failed conversion no accompaniment is in force: neither an older
// bgsound.wav under the new song's name nor a half-written one.
void AccompanimentImport::ForgetAccompaniment(const QString& song) {
    QFile::remove(Bgsound());
    w_.MusicFile.clear();
    InitWavHeader(w_.CurrentFormat, 1, 44100, 16);
    w_.LabelTimeTotal->setText(QStringLiteral("/00:00"));
    w_.ProgressBar->SetMaxValue(100);
    w_.ProgressBar->SetProgress(0);
    w_.LabelCur->setText(QStringLiteral("导入伴奏失败: ") + song);
    platform::Messages().messageBox(
        QStringLiteral("无法导入伴奏 ") + song + QStringLiteral("：") + failureCause_,
        QStringLiteral("提示"));
}

void AccompanimentImport::ShowAccompanimentLength(const QString& song) {
    const int64_t fileBytes = ReadWavHeader(Bgsound().toLocal8Bit().constData(), w_.CurrentFormat);
    if (fileBytes < 0) return;
    const WavHeader& f = w_.CurrentFormat;
    if (WavBytesPerSecond(f.channels, static_cast<int>(f.sampleRate), f.bitsPerSample) == 0) {
        // No length can be told from such a header; say so instead.
        w_.LabelCur->setText(QStringLiteral("伴奏格式无法识别: ") + song);
        return;
    }
    const int seconds = WavDurationSeconds(WavDataLength(fileBytes), f.channels,
                                           static_cast<int>(f.sampleRate), f.bitsPerSample);
    w_.LabelTimeTotal->setText(QString::asprintf("/%02d:%02d", seconds / 60, seconds % 60));
    w_.ProgressBar->SetMaxValue(seconds);
    w_.ProgressBar->SetProgress(0);
}
