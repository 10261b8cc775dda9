#pragma once
// The main window in a program folder of its own, for driving the
// accompaniment import: accompaniment files made with lame, bgsound.wav
// files of any length, the decoder library or a stand-in put beside the
// program, and a look at what the window shows.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/TFormMain.h"
#include "audio/WavHeader.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"

// What an import may change on the window, and what it must leave alone.
struct ImportView {
    QString musicFile;
    QString labelCur;
    QString timeTotal;
    QString timeDone;
    QString recordHint;
    QImage recordFace;
    int gaugeMax = 0;
    int gaugeProgress = 0;
    QByteArray format;  // the 44 bytes of CurrentFormat
    int recordTag = 0;
    int playTag = 0;
    bool selectEnabled = false;
    bool recordEnabled = false;
    bool playEnabled = false;
    bool saveEnabled = false;
    bool uploadEnabled = false;
    bool timerActive = false;
};

QByteArray HeaderBytes(const WavHeader& header);
WavHeader Header(int channels, int sampleRate, int bitsPerSample);

// Whether a library at `path` is mapped into this process.
bool IsMapped(const QString& path);

class ImportTest : public ::testing::Test {
protected:
    ImportTest();
    ~ImportTest() override;

    // Builds and shows the window for the program `dir/tavimo`.
    void OpenWindow();
    ImportView View() const;

    // Leaves the window as an earlier take would: a length, a gauge half
    // through, an elapsed time, the record button's "record again" face and a
    // stereo 22050 Hz format.
    void AfterEarlierTake();

    // Puts the decoder library (or the file `library`) into the program
    // folder as ostrel.so; returns its path there.
    QString InstallOstrel(const QString& library = QString());
    QString StandIn(const char* kind) const;
    // Puts the WMA library into the program folder as pellin.so.
    QString InstallPellin();

    // A tone encoded by lame at its default settings into dir/`name`.
    QString MakeMp3(const QString& name, int channels, int sampleRate, double seconds,
                    double frequency);

    // A tone encoded by ffmpeg's WMA version 2 encoder into dir/`name`.
    QString MakeWma(const QString& name, int channels, int sampleRate, double seconds,
                    double frequency);

    QString Bgsound() const { return dir.path("temp/bgsound.wav"); }
    // A bgsound.wav with `header`'s format and `dataBytes` of silence after it
    // (sparse, so long songs cost nothing).
    void WriteBgsound(const WavHeader& header, int64_t dataBytes) const;

    TempDir dir;
    RecordedMessages messages;
    std::unique_ptr<TFormMain> window;
};
