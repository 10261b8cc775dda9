#pragma once
// The main window as a record of what the workflow showed on it, for tests of
// the workflow without a display. Its dialogs answer what the test set.

#include <QString>
#include <functional>
#include <map>

#include "workflow/MainWindowView.h"

class RecordedView final : public MainWindowView {
public:
    // As the window starts: every control enabled but preview and save.
    std::map<WindowControl, bool> enabled{{WindowControl::Import, true},
                                          {WindowControl::Record, true},
                                          {WindowControl::Play, false},
                                          {WindowControl::Save, false},
                                          {WindowControl::Upload, true}};
    std::map<WindowControl, int> tag{{WindowControl::Record, 0}, {WindowControl::Play, 0}};
    std::map<WindowControl, int> face{{WindowControl::Record, 0}, {WindowControl::Play, 0}};
    std::map<WindowControl, QString> hint{{WindowControl::Record, QStringLiteral("开始录歌")},
                                          {WindowControl::Play, QStringLiteral("试听")}};
    QString status, elapsed = QStringLiteral("00:00"), total = QStringLiteral("/00:00");
    int gaugeProgress = 0, gaugeMaximum = 100;
    QString lyric, nextLyric, caption;
    double lyricFill = -1;
    bool lyricsBold = false, timerRunning = false, busyCursor = false;
    int notesShown = 0;

    QString chosenAccompaniment;
    QString chosenDestination;
    std::function<Status(const QString& mix, const QString& destination)> onExport;

    void setControlEnabled(WindowControl c, bool on) override { enabled[c] = on; }
    void setControlTag(WindowControl c, int t) override { tag[c] = t; }
    void setButtonFace(WindowControl c, int frame) override { face[c] = frame; }
    void setControlHint(WindowControl c, const QString& h) override { hint[c] = h; }
    void setStatus(const QString& text) override { status = text; }
    void setElapsedTime(const QString& text) override { elapsed = text; }
    void setTotalTime(const QString& text) override { total = text; }
    void setGauge(int progress, int maximum) override {
        gaugeProgress = progress;
        gaugeMaximum = maximum;
    }
    void setLyricLines(const QString& current, const QString& next) override {
        lyric = current;
        nextLyric = next;
    }
    void setNextLyricLine(const QString& next) override { nextLyric = next; }
    void setLyricFill(double characters) override { lyricFill = characters; }
    void setLyricsBold(bool bold) override { lyricsBold = bold; }
    void setCaption(const QString& text) override { caption = text; }
    void setTimerRunning(bool running) override { timerRunning = running; }
    void setBusyCursor(bool busy) override { busyCursor = busy; }
    std::unique_ptr<QObject> showNote(const QString&) override {
        ++notesShown;
        return std::make_unique<QObject>();
    }
    QString chooseAccompaniment() override { return chosenAccompaniment; }
    QString chooseSongDestination(const QString&) override { return chosenDestination; }
    Status exportSong(const QString& mix, const QString& destination) override {
        return onExport ? onExport(mix, destination) : Status();
    }
    StudioSettings studioShown;
    bool keyEditable = true;
    double keyProgress = -1;
    QString studioNote;
    void showStudioSettings(const StudioSettings& s) override { studioShown = s; }
    void setKeyEditable(bool editable) override { keyEditable = editable; }
    void setKeyProgress(double share) override { keyProgress = share; }
    void setStudioNote(const QString& text) override { studioNote = text; }
};
