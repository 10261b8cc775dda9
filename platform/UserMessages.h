#pragma once
// Toolkit services for code that has no widgets: message boxes and the error
// box. The app installs the widget implementation at start; tests install one
// that records what would have been shown. UI thread only.

#include <QString>
#include <functional>

namespace platform {

class UserMessages {
public:
    virtual ~UserMessages() = default;

    // Modal box with an information icon and one OK button.
    virtual void messageBox(const QString& text, const QString& caption) = 0;

    // The toolkit's simple message dialog: the application title as caption, OK.
    virtual void simpleMessage(const QString& text) = 0;

    // The error box for an error raised inside a handler; the handler has
    // already stopped, the program goes on.
    virtual void errorBox(const QString& text) = 0;
};

// The installed implementation; a silent one until something is installed.
UserMessages& Messages();

// Installs `messages` (not owned) and returns the one it replaces.
UserMessages* InstallMessages(UserMessages* messages);

// Runs an event handler. An error raised inside it (any std::exception) ends
// the handler at that step and is shown in the error box; the program goes on.
void RunHandler(const std::function<void()>& handler);

}  // namespace platform
