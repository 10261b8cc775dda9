#pragma once
// Message boxes on the screen, for the program's non-widget code.

#include "workflow/UserMessages.h"

class QtUserMessages final : public UserMessages {
public:
    void messageBox(const QString& text, const QString& caption) override;
    void simpleMessage(const QString& text) override;
    void errorBox(const QString& text) override;
};

// The application's title: the text of its task-bar entry and the caption of
// its simple message dialogs.
QString ApplicationTitle();
