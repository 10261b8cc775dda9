#include "controls/LyricLabel.h"

#include <QEvent>
#include <QPainter>
#include <QTextLine>
#include <cmath>

LyricLabel::LyricLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

LyricLabel::~LyricLabel() = default;

void LyricLabel::setFill(double characters) {
    if (characters < 0) characters = -1;
    if (characters == fill_) return;
    fill_ = characters;
    update();
}

void LyricLabel::setFillColour(const QColor& colour) {
    fillColour_ = colour;
    update();
}

void LyricLabel::resizeEvent(QResizeEvent* event) {
    layout_.reset();
    QLabel::resizeEvent(event);
}

void LyricLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) layout_.reset();
    QLabel::changeEvent(event);
}

const QTextLayout& LyricLabel::Layout() {
    const QRect area = contentsRect();
    if (layout_ && laidOutText_ == text() && laidOutWidth_ == area.width()) return *layout_;
    laidOutText_ = text();
    laidOutWidth_ = area.width();
    layout_ = std::make_unique<QTextLayout>(laidOutText_, font());
    QTextOption option;
    option.setWrapMode(wordWrap() ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout_->setTextOption(option);
    layout_->setCacheEnabled(true);
    layout_->beginLayout();
    qreal y = 0;
    // Lines below the label are never seen: a line of ten thousand
    // characters is laid out only as far as it shows.
    for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
        line.setLineWidth(area.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
        if (y > area.height() * 2) break;
    }
    layout_->endLayout();
    return *layout_;
}

void LyricLabel::paintEvent(QPaintEvent* event) {
    if (fill_ < 0) {
        QLabel::paintEvent(event);
        return;
    }
    ++framesWithFill_;
    const QRect area = contentsRect();
    const QTextLayout& layout = Layout();
    // Upright in the middle, as the plain label places a single line.
    const qreal height = layout.boundingRect().height();
    const QPointF origin(area.left(), area.top() + std::floor((area.height() - height) / 2));
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    layout.draw(&painter, origin);

    // The filled part of each line, drawn again over it in the fill colour.
    QRegion filled;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const int begin = line.textStart();
        const int end = begin + line.textLength();
        if (fill_ <= begin) break;
        qreal x = line.naturalTextWidth();
        if (fill_ < end) {
            const int whole = static_cast<int>(fill_);
            const qreal left = line.cursorToX(whole);
            const qreal right = line.cursorToX(whole + 1);
            x = left + (right - left) * (fill_ - whole);
        }
        filled += QRect(QPointF(origin.x(), origin.y() + line.y()).toPoint(),
                        QSize(qCeil(x), qCeil(line.height())));
    }
    painter.setClipRegion(filled);
    painter.setPen(fillColour_);
    layout.draw(&painter, origin);
}
