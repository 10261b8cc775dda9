#pragma once
// The lyric line of the main window: a label whose text fills in from the
// left, in a highlight colour, as the line is sung (a karaoke wipe). The
// fill counts characters of the text, fractions included, and follows the
// text where it wraps. Without a fill it is the plain label. Drawn from a
// layout kept until the text, the font or the width changes, so a frame
// costs one drawing of the visible lines. UI thread only.

#include <QColor>
#include <QLabel>
#include <QTextLayout>
#include <memory>

class LyricLabel final : public QLabel {
    Q_OBJECT
public:
    explicit LyricLabel(const QString& text, QWidget* parent = nullptr);
    ~LyricLabel() override;

    // Characters filled in; below 0: none (the plain label).
    void setFill(double characters);
    double fill() const { return fill_; }
    void setFillColour(const QColor& colour);

    // Frames drawn with a fill since the label was made.
    int framesWithFill() const { return framesWithFill_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QTextLayout& Layout();

    double fill_ = -1;
    QColor fillColour_{0, 0, 128};
    std::unique_ptr<QTextLayout> layout_;
    QString laidOutText_;
    int laidOutWidth_ = -1;
    int framesWithFill_ = 0;
};
