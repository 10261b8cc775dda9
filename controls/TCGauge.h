#pragma once
// A flat horizontal gauge that shows its progress as a filled bar with the
// percentage in the middle. Progress is clamped into [minimum, maximum], and a
// maximum of 0 is ignored, so callers may set any value. Screen readers see
// it as a progress bar named by its hint.

#include <QColor>
#include <QWidget>

class TCGauge : public QWidget {
    Q_OBJECT
public:
    explicit TCGauge(QWidget* parent = nullptr);

    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    int Progress() const { return progress_; }
    int PercentDone() const;

    void SetMaxValue(int maximum);
    void SetProgress(int progress);
    void SetForeColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ValueChanged();

    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
    QColor foreColor_{0, 0, 0};
};
