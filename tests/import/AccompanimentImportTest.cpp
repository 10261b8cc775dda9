// The accompaniment import on the real window: the decoder library beside
// the program, missing, broken or failing; the lengths shown for bgsound.wav
// files of every size; what the import changes and what it leaves alone.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <functional>

#include "app/TFormMsg.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "base/Global.h"
#include "tests/import/ImportFixture.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/WavFiles.h"

namespace {

class AccompanimentImportTest : public ImportTest {
protected:
    void SetUp() override { OpenWindow(); }

    // The state every finished import leaves: elapsed time, record hint and face.
    void ExpectReadyToRecord() {
        EXPECT_EQ("00:00", window->LabelTimeDone->text());
        EXPECT_EQ("开始录歌", window->EzRgnBtnRecord->toolTip());
        EXPECT_EQ(window->ImageListStart->frame(0), window->EzRgnBtnRecord->PicIdle());
        EXPECT_TRUE(window->findChildren<TFormMsg*>().isEmpty());
    }

    // The import leaves the take's state and the controls as they were.
    static void ExpectTakeUntouched(const ImportView& before, const ImportView& after) {
        EXPECT_EQ(before.recordTag, after.recordTag);
        EXPECT_EQ(before.playTag, after.playTag);
        EXPECT_EQ(before.selectEnabled, after.selectEnabled);
        EXPECT_EQ(before.recordEnabled, after.recordEnabled);
        EXPECT_EQ(before.playEnabled, after.playEnabled);
        EXPECT_EQ(before.saveEnabled, after.saveEnabled);
        EXPECT_EQ(before.uploadEnabled, after.uploadEnabled);
        EXPECT_EQ(before.timerActive, after.timerActive);
    }

    // Imports `path`, which is not converted, so the length comes from the
    // bgsound.wav the test wrote.
    void ImportUnconverted(const QString& path = QString()) {
        window->Import.ImportAccompaniment(path.isEmpty() ? dir.path("song") : path);
    }
};

// A 16-bit PCM format as a decoded file has it.
void ExpectFormat(const WavHeader& h, int channels, int sampleRate) {
    EXPECT_EQ(1, h.formatTag);
    EXPECT_EQ(channels, h.channels);
    EXPECT_EQ(static_cast<uint32_t>(sampleRate), h.sampleRate);
    EXPECT_EQ(16, h.bitsPerSample);
    EXPECT_EQ(static_cast<uint32_t>(sampleRate * channels * 2), h.byteRate);
    EXPECT_EQ(channels * 2, h.blockAlign);
}

// The stand-in ostrel.so calls this while the import waits for it.
std::function<void(const char*, const char*)> duringConversion;
void CallDuringConversion(const char* source, const char* destination) {
    if (duringConversion) duringConversion(source, destination);
}

// Opens the observed stand-in installed at `path` and points it at
// duringConversion; the test's own reference keeps it loaded.
class ObservedOstrel {
public:
    explicit ObservedOstrel(const QString& path)
        : handle_(dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) return;
        using Set = void (*)(void (*)(const char*, const char*));
        if (auto set = reinterpret_cast<Set>(dlsym(handle_, "SetOstrelObserver"))) {
            set(&CallDuringConversion);
            ready_ = true;
        }
    }
    ~ObservedOstrel() {
        duringConversion = nullptr;
        if (handle_) dlclose(handle_);
    }
    bool ready() const { return ready_; }

private:
    void* handle_;
    bool ready_ = false;
};

}  // namespace

TEST_F(AccompanimentImportTest, AnMp3BecomesTheAccompanimentWithItsNameAndLength) {
    const QString library = InstallOstrel();
    const QString song = MakeMp3("songs/Blue Moon.mp3", 2, 44100, 3.0, 1000);
    dir.write("temp/record.wav", "voice of the last take");
    dir.write("temp/mix.wav", "mix of the last take");
    AfterEarlierTake();
    const ImportView before = View();

    window->Import.ImportAccompaniment(song);

    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ(song, window->MusicFile);
    EXPECT_EQ("已导入伴奏: Blue Moon", window->LabelCur->text());
    const WavContents bgsound = ReadWavFile(Bgsound());
    ASSERT_TRUE(bgsound.ok);
    ExpectFormat(bgsound.header, 2, 44100);
    EXPECT_EQ(1000, DominantFrequency(Channel(bgsound.samples, 2, 1), 44100, 500, 2000, 10));
    EXPECT_EQ(HeaderBytes(bgsound.header), HeaderBytes(window->CurrentFormat));
    // Three seconds and the coder's delay and padding: rounded up to four.
    const int64_t dataBytes = bgsound.fileBytes - 44;
    ASSERT_GT(dataBytes, 3 * 176400);
    ASSERT_LE(dataBytes, 4 * 176400);
    EXPECT_EQ("/00:04", window->LabelTimeTotal->text());
    EXPECT_EQ(4, window->ProgressBar->MaxValue());
    EXPECT_EQ(0, window->ProgressBar->Progress());
    ExpectReadyToRecord();
    ExpectTakeUntouched(before, View());
    // The last take's files stay; the library went with its one call.
    EXPECT_EQ("voice of the last take", dir.read("temp/record.wav"));
    EXPECT_EQ("mix of the last take", dir.read("temp/mix.wav"));
    EXPECT_FALSE(IsMapped(library));
}

TEST_F(AccompanimentImportTest, TheLengthIsRoundedUpToWholeSeconds) {
    // No library: the import reads the bgsound.wav that is there.
    const struct {
        const char* file;
        WavHeader format;
        int64_t dataBytes;
        const char* shown;
        int seconds;
    } cases[] = {
        {"song.mp3", Header(1, 44100, 16), 210 * 88200, "/03:30", 210},
        {"song.mp3", Header(1, 44100, 16), 210 * 88200 + 1, "/03:31", 211},
        {"song", Header(1, 44100, 16), 210 * 88200, "/03:30", 210},
        {"song", Header(1, 44100, 16), 210 * 88200 + 1, "/03:31", 211},
        {"song", Header(2, 48000, 16), 61 * 192000, "/01:01", 61},
        {"song", Header(1, 22050, 16), 1, "/00:01", 1},
        {"long.mp3", Header(2, 44100, 16), int64_t{100} * 60 * 176400 - 5, "/100:00", 6000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        AfterEarlierTake();
        WriteBgsound(c.format, c.dataBytes);
        ImportUnconverted(dir.path(c.file));
        EXPECT_EQ(c.shown, window->LabelTimeTotal->text());
        EXPECT_EQ(c.seconds, window->ProgressBar->MaxValue());
        EXPECT_EQ(0, window->ProgressBar->Progress());
        EXPECT_EQ(HeaderBytes(c.format), HeaderBytes(window->CurrentFormat));
        EXPECT_EQ("正在导入 " + StripFileExt(dir.path(c.file)), window->LabelCur->text());
    }
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, ABgsoundWithoutSamplesShowsNoLengthAndKeepsTheGauge) {
    AfterEarlierTake();
    WriteBgsound(Header(1, 44100, 16), 0);
    ImportUnconverted();
    EXPECT_EQ("/00:00", window->LabelTimeTotal->text());
    EXPECT_EQ(83, window->ProgressBar->MaxValue());
    EXPECT_EQ(0, window->ProgressBar->Progress());
    EXPECT_EQ(HeaderBytes(Header(1, 44100, 16)), HeaderBytes(window->CurrentFormat));
    ExpectReadyToRecord();

    // Shorter than a header: only the bytes the file has are taken.
    AfterEarlierTake();
    const QByteArray stub = HeaderBytes(Header(1, 8000, 16)).left(10);
    dir.write("temp/bgsound.wav", stub);
    ImportUnconverted();
    QByteArray expected = HeaderBytes(Header(2, 22050, 16));
    expected.replace(0, 10, stub);
    EXPECT_EQ(expected, HeaderBytes(window->CurrentFormat));
    EXPECT_EQ("/00:00", window->LabelTimeTotal->text());
    EXPECT_EQ(83, window->ProgressBar->MaxValue());
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, AHeaderWithoutBytesPerSecondIsNamedAndShowsNoLength) {
    for (const WavHeader& format : {Header(0, 44100, 16), Header(2, 0, 16), Header(2, 44100, 0)}) {
        AfterEarlierTake();
        WriteBgsound(format, 176400);
        ImportUnconverted();
        EXPECT_EQ("伴奏格式无法识别: song", window->LabelCur->text());
        EXPECT_EQ("/01:23", window->LabelTimeTotal->text());
        EXPECT_EQ(83, window->ProgressBar->MaxValue());
        EXPECT_EQ(40, window->ProgressBar->Progress());
        EXPECT_EQ(HeaderBytes(format), HeaderBytes(window->CurrentFormat));
        ExpectReadyToRecord();
    }
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, TheExtensionIsFoundWhateverItsCaseAndBlanks) {
    InstallOstrel();
    const QString upper = MakeMp3("SONG.MP3", 1, 22050, 1.0, 440);
    const QString padded = MakeMp3("song.mp3 ", 2, 44100, 1.0, 880);
    const QString mixed = MakeMp3("Tune.Mp3\t", 1, 32000, 1.0, 660);

    window->Import.ImportAccompaniment(upper);
    EXPECT_EQ("已导入伴奏: SONG", window->LabelCur->text());
    ExpectFormat(window->CurrentFormat, 1, 22050);
    EXPECT_EQ("/00:02", window->LabelTimeTotal->text());

    window->Import.ImportAccompaniment(padded);
    EXPECT_EQ("已导入伴奏: song", window->LabelCur->text());
    EXPECT_EQ(padded, window->MusicFile);
    ExpectFormat(window->CurrentFormat, 2, 44100);

    window->Import.ImportAccompaniment(mixed);
    EXPECT_EQ("已导入伴奏: Tune", window->LabelCur->text());
    ExpectFormat(window->CurrentFormat, 1, 32000);
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, PathsInChineseReachTheDecoder) {
    InstallOstrel();
    const QString song = MakeMp3("伴奏 文件夹/我的歌.mp3", 1, 44100, 1.0, 440);
    window->Import.ImportAccompaniment(song);
    EXPECT_EQ("已导入伴奏: 我的歌", window->LabelCur->text());
    EXPECT_EQ(song, window->MusicFile);
    EXPECT_EQ(440, DominantFrequency(ReadWavFile(Bgsound()).samples, 44100, 200, 1000, 10));
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, ANameWithoutAnExtensionIsNotConverted) {
    InstallOstrel();
    const QString mp3 = MakeMp3("tone.mp3", 1, 44100, 1.0, 440);
    // MP3 contents under names that do not end in ".mp3".
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"song", "正在导入 song"},
        {"dir.mp3/song", "正在导入 song"},
        {"song.ogg", "正在导入 song"},
        {"song.mp3.bak", "正在导入 song.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.path(c.name);
        QDir().mkpath(QFileInfo(path).path());
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(mp3, path));
        AfterEarlierTake();
        const ImportView before = View();
        window->Import.ImportAccompaniment(path);
        EXPECT_EQ(c.shown, window->LabelCur->text());
        EXPECT_EQ(path, window->MusicFile);
        EXPECT_FALSE(QFile::exists(Bgsound()));
        EXPECT_EQ(before.timeTotal, window->LabelTimeTotal->text());
        EXPECT_EQ(before.gaugeMax, window->ProgressBar->MaxValue());
        EXPECT_EQ(before.format, HeaderBytes(window->CurrentFormat));
        ExpectReadyToRecord();
    }
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, WithoutTheLibraryOnlyTheNameAndTheRecordButtonChange) {
    const QString mp3 = MakeMp3("song.mp3", 2, 44100, 1.0, 440);
    const QString wma = dir.write("other.wma", "a WMA file");
    for (const QString& path : {mp3, wma}) {
        SCOPED_TRACE(path.toStdString());
        AfterEarlierTake();
        const ImportView before = View();
        window->Import.ImportAccompaniment(path);
        const ImportView after = View();
        EXPECT_EQ(path, after.musicFile);
        EXPECT_EQ("正在导入 " + StripFileExt(path), after.labelCur);
        EXPECT_EQ(before.timeTotal, after.timeTotal);
        EXPECT_EQ(before.gaugeMax, after.gaugeMax);
        EXPECT_EQ(before.gaugeProgress, after.gaugeProgress);
        EXPECT_EQ(before.format, after.format);
        ExpectReadyToRecord();
        ExpectTakeUntouched(before, after);
        EXPECT_FALSE(QFile::exists(Bgsound()));
    }
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, ALibraryWithoutTheExportIsReportedAndTheOldBgsoundStays) {
    const QString library = InstallOstrel(StandIn("without_export"));
    WriteBgsound(Header(2, 48000, 16), 61 * 192000);
    const QByteArray old = dir.read("temp/bgsound.wav");
    AfterEarlierTake();
    window->Import.ImportAccompaniment(MakeMp3("song.mp3", 1, 44100, 1.0, 440));
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
    EXPECT_EQ("GetProcAddress获取的Ostrel入口为空", messages.all()[0].text);
    EXPECT_EQ("系统提示信息", messages.all()[0].caption);
    EXPECT_EQ("正在导入 song", window->LabelCur->text());
    EXPECT_EQ(old, dir.read("temp/bgsound.wav"));
    EXPECT_EQ("/01:01", window->LabelTimeTotal->text());
    EXPECT_EQ(61, window->ProgressBar->MaxValue());
    EXPECT_EQ(0, window->ProgressBar->Progress());
    ExpectReadyToRecord();
    EXPECT_FALSE(IsMapped(library));
}

TEST_F(AccompanimentImportTest, ALibraryThatDoesNotLoadIsReportedWithTheLoadersReason) {
    const QString library = dir.write("ostrel.so", "this is text, not a library\n");
    WriteBgsound(Header(1, 44100, 16), 88200 * 5);
    AfterEarlierTake();
    window->Import.ImportAccompaniment(MakeMp3("song.mp3", 1, 44100, 1.0, 440));
    ASSERT_EQ(1, messages.all().size());
    const QString prefix = "无法加载动态链接库 " + WorkFolder() + "ostrel.so, ";
    EXPECT_TRUE(messages.all()[0].text.startsWith(prefix)) << messages.all()[0].text.toStdString();
    // The loader's own words follow, and they are about that file.
    EXPECT_GT(messages.all()[0].text.size(), prefix.size());
    EXPECT_TRUE(messages.all()[0].text.mid(prefix.size()).contains(library));
    EXPECT_EQ("提示", messages.all()[0].caption);
    EXPECT_EQ("正在导入 song", window->LabelCur->text());
    EXPECT_EQ("/00:05", window->LabelTimeTotal->text());
    EXPECT_EQ(5, window->ProgressBar->MaxValue());
    ExpectReadyToRecord();
}

TEST_F(AccompanimentImportTest, AFailedConversionLeavesNoAccompaniment) {
    InstallOstrel();
    const QString good = MakeMp3("good.mp3", 2, 44100, 1.0, 440);
    const QString broken =
        dir.write("broken.mp3", QByteArray("plain text, no MPEG frame\n").repeated(200));
    const QString missing = dir.path("missing.mp3");
    const QString folder = dir.path("folder.mp3");
    QDir().mkpath(folder);
    // Joined files whose second part has another sample rate.
    MakeMp3("32k.mp3", 2, 32000, 1.0, 440);
    const QString joined = dir.write("joined.mp3", dir.read("good.mp3") + dir.read("32k.mp3"));
    const struct {
        QString path;
        const char* cause;
    } cases[] = {{broken, "不是有效的 MP3 文件"},
                 {missing, "文件无法打开"},
                 {folder, "文件无法打开"},
                 {joined, "文件中途改变了采样率，无法作为一首伴奏"}};
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.path.toStdString());
        window->Import.ImportAccompaniment(good);
        ASSERT_TRUE(QFile::exists(Bgsound()));
        ASSERT_EQ("已导入伴奏: good", window->LabelCur->text());
        window->State.setGaugeProgress(1);
        messages.clear();

        window->Import.ImportAccompaniment(bad.path);
        const QString song = StripFileExt(bad.path);
        EXPECT_FALSE(QFile::exists(Bgsound()));
        EXPECT_EQ("", window->MusicFile);
        EXPECT_EQ(HeaderBytes(Header(1, 44100, 16)), HeaderBytes(window->CurrentFormat));
        EXPECT_EQ("/00:00", window->LabelTimeTotal->text());
        EXPECT_EQ(100, window->ProgressBar->MaxValue());
        EXPECT_EQ(0, window->ProgressBar->Progress());
        EXPECT_EQ("导入伴奏失败: " + song, window->LabelCur->text());
        ASSERT_EQ(1, messages.all().size());
        EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
        EXPECT_EQ("无法导入伴奏 " + song + "：" + bad.cause, messages.all()[0].text);
        EXPECT_EQ("提示", messages.all()[0].caption);
        ExpectReadyToRecord();
    }
}

TEST_F(AccompanimentImportTest, AFailedWmaConversionNamesItsCause) {
    InstallPellin();
    const QString good = MakeWma("good.wma", 2, 44100, 2.0, 440);
    const QByteArray whole = dir.read("good.wma");
    const struct {
        QString path;
        const char* cause;
    } cases[] = {
        {dir.write("junk.wma", QByteArray("no media in here\n").repeated(100)),
         "不是可以解码的音频文件"},
        {dir.write("cut.wma", whole.left(whole.size() / 2)), "文件不完整，下载或复制时被中断"},
        {dir.path("missing.wma"), "文件无法打开"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.path.toStdString());
        window->Import.ImportAccompaniment(good);
        ASSERT_EQ("已导入伴奏: good", window->LabelCur->text());
        messages.clear();
        window->Import.ImportAccompaniment(bad.path);
        const QString song = StripFileExt(bad.path);
        EXPECT_FALSE(QFile::exists(Bgsound()));
        EXPECT_EQ("导入伴奏失败: " + song, window->LabelCur->text());
        ASSERT_EQ(1, messages.all().size());
        EXPECT_EQ("无法导入伴奏 " + song + "：" + bad.cause, messages.all()[0].text);
    }
}

TEST_F(AccompanimentImportTest, AConversionCutShortByAFullDiskLeavesNoAccompaniment) {
    SmallDisk disk(64);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    // The temp folder lives on the small disk; the program folder does not.
    window.reset();
    QDir(dir.path("temp")).removeRecursively();
    ASSERT_TRUE(QFile::link(disk.path(), dir.path("temp")));
    OpenWindow();
    InstallOstrel();
    const QString song = MakeMp3("song.mp3", 2, 44100, 3.0, 440);

    window->Import.ImportAccompaniment(song);
    EXPECT_FALSE(QFile::exists(Bgsound()));
    EXPECT_EQ("导入伴奏失败: song", window->LabelCur->text());
    EXPECT_EQ("", window->MusicFile);
    EXPECT_EQ("/00:00", window->LabelTimeTotal->text());
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ("无法导入伴奏 song：写入 bgsound.wav 失败，磁盘可能已满", messages.all()[0].text);
    ExpectReadyToRecord();
}

TEST_F(AccompanimentImportTest, AReadOnlyTempFolderIsToldAsSuch) {
    SmallDisk disk(64);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    window.reset();
    QDir(dir.path("temp")).removeRecursively();
    ASSERT_TRUE(QFile::link(disk.path(), dir.path("temp")));
    OpenWindow();
    // Read-only from now on; at the start the work files were placed there.
    ASSERT_EQ(dir.path("temp/"), TempFolder());
    ASSERT_TRUE(disk.makeReadOnly());
    InstallOstrel();

    window->Import.ImportAccompaniment(MakeMp3("song.mp3", 1, 44100, 1.0, 440));
    EXPECT_EQ("导入伴奏失败: song", window->LabelCur->text());
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ("无法导入伴奏 song：无法在 temp 文件夹中创建 bgsound.wav", messages.all()[0].text);
    EXPECT_EQ("", window->MusicFile);
    ExpectReadyToRecord();
}

TEST_F(AccompanimentImportTest, TheMessageWindowShowsWhileTheDecoderRuns) {
    const QString library = InstallOstrel(StandIn("observed"));
    ObservedOstrel observed(library);
    ASSERT_TRUE(observed.ready());
    const QString song = MakeMp3("songs/Blue Moon.mp3", 1, 44100, 1.0, 440);
    window->OpenDialog = [&] { return song; };
    AfterEarlierTake();

    int calls = 0;
    duringConversion = [&](const char* source, const char* destination) {
        ++calls;
        EXPECT_EQ(song, QString::fromLocal8Bit(source));
        EXPECT_EQ(Bgsound(), QString::fromLocal8Bit(destination));
        EXPECT_EQ(song, window->MusicFile);
        EXPECT_EQ("正在导入 Blue Moon", window->LabelCur->text());
        EXPECT_EQ(Qt::WaitCursor, window->cursor().shape());
        const QList<TFormMsg*> notes = window->findChildren<TFormMsg*>();
        ASSERT_EQ(1, notes.size());
        TFormMsg* note = notes[0];
        EXPECT_TRUE(note->isVisible());
        EXPECT_FALSE(note->isModal());
        EXPECT_TRUE(note->isWindow());
        EXPECT_EQ(Qt::Tool, note->windowType());
        EXPECT_EQ(QSize(329, 66), note->size());
        EXPECT_EQ("正在导入伴奏: Blue Moon ...", note->LabelMsg->text());
        EXPECT_EQ(QPoint(24, 24), note->LabelMsg->pos());
        const QPoint offset = note->geometry().center() - window->geometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    };

    window->Import.ButtonImportBGsoundClick();
    EXPECT_EQ(1, calls);
    EXPECT_EQ("已导入伴奏: Blue Moon", window->LabelCur->text());
    EXPECT_EQ("/00:02", window->LabelTimeTotal->text());
    EXPECT_EQ(Qt::ArrowCursor, window->cursor().shape());
    ExpectReadyToRecord();
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(AccompanimentImportTest, ACancelledChoiceChangesNothing) {
    const QString library = InstallOstrel(StandIn("observed"));
    ObservedOstrel observed(library);
    ASSERT_TRUE(observed.ready());
    int calls = 0;
    duringConversion = [&](const char*, const char*) { ++calls; };
    WriteBgsound(Header(2, 48000, 16), 61 * 192000);
    AfterEarlierTake();
    window->MusicFile = dir.path("earlier.mp3");
    window->LabelCur->setText(QStringLiteral("录制完毕 earlier"));
    const ImportView before = View();
    window->OpenDialog = [] { return QString(); };

    window->Import.ButtonImportBGsoundClick();
    QCoreApplication::processEvents();

    const ImportView after = View();
    EXPECT_EQ(0, calls);
    EXPECT_EQ(before.musicFile, after.musicFile);
    EXPECT_EQ(before.labelCur, after.labelCur);
    EXPECT_EQ(before.timeTotal, after.timeTotal);
    EXPECT_EQ(before.timeDone, after.timeDone);
    EXPECT_EQ(before.recordHint, after.recordHint);
    EXPECT_EQ(before.recordFace, after.recordFace);
    EXPECT_EQ(before.gaugeMax, after.gaugeMax);
    EXPECT_EQ(before.gaugeProgress, after.gaugeProgress);
    EXPECT_EQ(before.format, after.format);
    ExpectTakeUntouched(before, after);
    EXPECT_FALSE(window->testAttribute(Qt::WA_SetCursor));
    EXPECT_TRUE(window->findChildren<TFormMsg*>().isEmpty());
    EXPECT_TRUE(messages.all().isEmpty());
}
