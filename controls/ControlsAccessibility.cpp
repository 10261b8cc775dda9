#include "controls/ControlsAccessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <cmath>

#include "controls/ClickableLabel.h"
#include "controls/LevelMeterBar.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"

namespace {

// The name a control has set, else its hint.
QString NameOrHint(const QWidget* widget) {
    return widget->accessibleName().isEmpty() ? widget->toolTip() : widget->accessibleName();
}

class RegionButtonAccessible : public QAccessibleWidget {
public:
    explicit RegionButtonAccessible(TEzRgnBtn* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return NameOrHint(button());
            case QAccessible::Description:
                // The hint is the name already.
                return button()->accessibleDescription();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        // The button's own flag: the widget stays enabled for the mouse.
        if (button()->Disabled()) {
            state.disabled = true;
            state.focusable = false;
        }
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            button()->Press();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    TEzRgnBtn* button() const { return static_cast<TEzRgnBtn*>(widget()); }
};

class ClickableLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickableLabelAccessible(ClickableLabel* label)
        : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return label()->accessibleName().isEmpty() ? label()->text()
                                                       : label()->accessibleName();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            // Queued: the click may open a dialog, and the screen reader's
            // request is answered first.
            QMetaObject::invokeMethod(label(), &ClickableLabel::Activate, Qt::QueuedConnection);
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    ClickableLabel* label() const { return static_cast<ClickableLabel*>(widget()); }
};

class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit GaugeAccessible(TCGauge* gauge) : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return NameOrHint(gauge());
            case QAccessible::Description:
                return gauge()->accessibleDescription();
            case QAccessible::Value:
                return QStringLiteral("%1%").arg(gauge()->PercentDone());
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QVariant currentValue() const override { return gauge()->Progress(); }
    void setCurrentValue(const QVariant&) override {}  // shows progress, is not set by the user
    QVariant maximumValue() const override { return gauge()->MaxValue(); }
    QVariant minimumValue() const override { return gauge()->MinValue(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TCGauge* gauge() const { return static_cast<TCGauge*>(widget()); }
};

// Qt 6.4 has no level bar role of its own: a progress bar whose value and
// bounds are in dBFS reads the same.
class LevelMeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit LevelMeterAccessible(LevelMeterBar* meter)
        : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return NameOrHint(meter());
            case QAccessible::Value:
                return QStringLiteral("%1 dB%2")
                    .arg(std::lround(meter()->LevelDb()))
                    .arg(meter()->Clipping() ? QStringLiteral("，过载") : QString());
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QVariant currentValue() const override { return std::round(meter()->LevelDb()); }
    void setCurrentValue(const QVariant&) override {}  // shows the level, is not set
    QVariant maximumValue() const override { return 0.0; }
    QVariant minimumValue() const override { return LevelMeterBar::kFloorDb; }
    QVariant minimumStepSize() const override { return 1.0; }

private:
    LevelMeterBar* meter() const { return static_cast<LevelMeterBar*>(widget()); }
};

// Qt asks for every object that gains focus or changes, the browser pane's
// internal items among them; the class name is compared before the object is
// touched, so only our own widgets are ever called into.
QAccessibleInterface* ControlsFactory(const QString& className, QObject* object) {
    if (!object) return nullptr;
    if (className == QLatin1String("TEzRgnBtn")) {
        return new RegionButtonAccessible(static_cast<TEzRgnBtn*>(object));
    }
    if (className == QLatin1String("ClickableLabel")) {
        return new ClickableLabelAccessible(static_cast<ClickableLabel*>(object));
    }
    if (className == QLatin1String("LevelMeterBar")) {
        return new LevelMeterAccessible(static_cast<LevelMeterBar*>(object));
    }
    if (className == QLatin1String("TCGauge")) {
        return new GaugeAccessible(static_cast<TCGauge*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallControlsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ControlsFactory);
        return true;
    }();
    (void)installed;
}
