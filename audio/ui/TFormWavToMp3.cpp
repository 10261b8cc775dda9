#include "audio/ui/TFormWavToMp3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>
#include <memory>

#include "base/Global.h"

TFormWavToMp3::TFormWavToMp3(const QString& sourcePath, const QString& destinationPath,
                             QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      sourcePath_(sourcePath),
      destinationPath_(destinationPath),
      ProgressBar(new QProgressBar(this)),
      LabelPer(new QLabel(this)),
      TimerShow(new QTimer(this)) {
    setObjectName(QStringLiteral("FormWavToMp3"));
    setWindowTitle(QStringLiteral("正在合成mp3..."));
    setModal(true);
    setFixedSize(320, 80);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 10000);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    LabelPer->setObjectName(QStringLiteral("LabelPer"));
    LabelPer->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar);
    layout->addWidget(LabelPer);

    TimerShow->setObjectName(QStringLiteral("TimerShow"));
    TimerShow->setInterval(kTimerShowMs);
    connect(TimerShow, &QTimer::timeout, this, &TFormWavToMp3::TimerShowTimer);
}

void TFormWavToMp3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The run starts once, 100 ms after the window first appears.
    if (!started_) {
        started_ = true;
        TimerShow->start();
    }
}

Status TFormWavToMp3::ConvertToMp3() {
    return ::ConvertToMp3(WorkFolder(), sourcePath_, destinationPath_, *this);
}

void TFormWavToMp3::TimerShowTimer() {
    setWindowTitle(QStringLiteral("正在合成: ") + FileNamePart(destinationPath_));
    TimerShow->stop();
    outcome_ = ConvertToMp3();
    finished_ = true;
    close();
}

void TFormWavToMp3::closeEvent(QCloseEvent* event) {
    if (!finished_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormWavToMp3::reject() {
    // Escape, and the close of a finished window, arrive here.
    if (finished_) QDialog::reject();
}

void TFormWavToMp3::setMaximum(int64_t bytes) {
    progressShift_ = 0;
    while ((bytes >> progressShift_) > INT_MAX) ++progressShift_;
    ProgressBar->setMaximum(static_cast<int>(bytes >> progressShift_));
}

void TFormWavToMp3::setPosition(int64_t bytes) {
    ProgressBar->setValue(static_cast<int>(bytes >> progressShift_));
}

void TFormWavToMp3::setPercentText(const QString& text) { LabelPer->setText(text); }

void TFormWavToMp3::processPendingEvents() { QCoreApplication::processEvents(); }

Status ExportMp3(const QString& sourcePath, const QString& destinationPath, QWidget* parent) {
    const auto form = std::make_unique<TFormWavToMp3>(sourcePath, destinationPath, parent);
    form->exec();
    return form->outcome();
}
