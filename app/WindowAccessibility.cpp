#include "app/WindowAccessibility.h"

#include <QLabel>
#include <QSlider>
#include <vector>

#include "app/TFormMain.h"
#include "controls/ClickableLabel.h"
#include "controls/LyricLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"

void MakeWindowAccessible(TFormMain& form) {
    // The sliders and the gauge are named by their hints.
    for (QWidget* hinted :
         {static_cast<QWidget*>(form.TrackBarIn), static_cast<QWidget*>(form.TrackBarOut),
          static_cast<QWidget*>(form.ProgressBar)}) {
        hinted->setAccessibleName(hinted->toolTip());
    }
    // The pictures beside the sliders say nothing the sliders do not.
    form.Image1->setAccessibleName(form.Image1->toolTip());
    form.Image2->setAccessibleName(form.Image2->toolTip());
    // The two times are the song's progress in figures.
    form.LabelTimeDone->setAccessibleDescription(form.ProgressBar->toolTip());
    form.LabelTimeTotal->setAccessibleDescription(form.ProgressBar->toolTip());
    // The lyric line is labelled "歌词：" on screen.
    form.LabelText->setAccessibleDescription(form.Label1->text());
    form.LabelTextNext->setAccessibleDescription(form.Label1->text());

    QWidget* const order[] = {form.LabelSelbanzou, form.EzRgnBtnRecord, form.EzRgnBtnPlay,
                              form.EzRgnBtnStudio, form.EzRgnBtnSave,   form.EzRgnBtnUpload,
                              form.EzRgnBtnMini,
                              form.EzRgnBtnHelp,   form.EzRgnBtnClose,  form.TrackBarIn,
                              form.TrackBarOut,    form.SitePaneHost};
    // Qt's setTabOrder passes over a widget that takes no focus, as a disabled
    // skinned button does: the order is set with every one of them taking
    // focus, and each gets its own policy back.
    std::vector<Qt::FocusPolicy> policies;
    for (QWidget* widget : order) {
        policies.push_back(widget->focusPolicy());
        if (widget->focusPolicy() == Qt::NoFocus) widget->setFocusPolicy(Qt::TabFocus);
    }
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    for (size_t i = 0; i < std::size(order); ++i) order[i]->setFocusPolicy(policies[i]);
}
