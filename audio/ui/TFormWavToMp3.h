#pragma once
// The MP3 export's progress window: a small tool window that the user
// cannot close, with a progress bar and the percentage, shown modally while
// ConvertToMp3 runs. Its timer starts the run 100 ms after the window is
// shown and closes the window after it, whatever the outcome. UI thread only.

#include <QDialog>
#include <QString>

#include "audio/Mp3Export.h"

class QCloseEvent;
class QLabel;
class QProgressBar;
class QShowEvent;
class QTimer;

class TFormWavToMp3 final : public QDialog, private Mp3ExportProgress {
    Q_OBJECT
public:
    // A window for encoding `sourcePath` (a WAV file) into `destinationPath`.
    TFormWavToMp3(const QString& sourcePath, const QString& destinationPath,
                  QWidget* owner = nullptr);

    static constexpr int kTimerShowMs = 100;

    // The run for the window's two paths, with the encoder library from
    // WorkFolder(); the window shows its progress.
    Status ConvertToMp3();

    // Whether the run has ended, and how.
    bool finished() const { return finished_; }
    const Status& outcome() const { return outcome_; }

protected:
    // The user cannot close the window: only the end of the run does.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void TimerShowTimer();

    void setMaximum(int64_t bytes) override;
    void setPosition(int64_t bytes) override;
    void setPercentText(const QString& text) override;
    void processPendingEvents() override;

    QString sourcePath_;
    QString destinationPath_;
    QProgressBar* ProgressBar;
    QLabel* LabelPer;
    QTimer* TimerShow;
    int progressShift_ = 0;  // the bar counts bytes >> progressShift_, to fit an int
    bool started_ = false;
    bool finished_ = false;
    Status outcome_;
};

// Encodes `sourcePath` into `destinationPath` in a TFormWavToMp3 shown
// modally over `parent`, and frees the window when it has closed. Succeeds
// when the MP3 file was completed.
Status ExportMp3(const QString& sourcePath, const QString& destinationPath,
                 QWidget* parent = nullptr);
