#pragma once
// Where the user is told of failures: message boxes and the error box. The
// app installs the widget implementation at start; tests install one that
// records what would have been shown. Only the window's handlers tell the
// user anything; the operations they call return their failures.
// UI thread only.

#include <QString>

#include "base/Result.h"

class UserMessages {
public:
    virtual ~UserMessages() = default;

    // Modal box with an information icon and one OK button.
    virtual void messageBox(const QString& text, const QString& caption) = 0;

    // The toolkit's simple message dialog: the application title as caption, OK.
    virtual void simpleMessage(const QString& text) = 0;

    // The error box for an error that ended a handler; the program goes on.
    virtual void errorBox(const QString& text) = 0;
};

// The installed implementation; a silent one until something is installed.
UserMessages& Messages();

// Installs `messages` (not owned) and returns the one it replaces.
UserMessages* InstallMessages(UserMessages* messages);

// Shows `failure` in the box it names.
void ShowFailure(const Failure& failure);
