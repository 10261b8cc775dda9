#pragma once
// A label that reports a left click while it is enabled, for texts that act
// as links on the main window. It takes focus with Tab, shows a dotted frame
// while it has it, and Space or Enter click it; screen readers see a link.

#include <QLabel>

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

    // Emits clicked() while the label is enabled.
    void Activate();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
};
