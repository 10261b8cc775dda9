#pragma once
// Message boxes that are recorded instead of shown, installed for the
// lifetime of the object.

#include <QString>
#include <QStringList>

#include "workflow/UserMessages.h"

struct RecordedMessage {
    enum Kind { MessageBox, Simple, Error } kind;
    QString text;
    QString caption;
};

// Tells a failed outcome as the window's handlers do (ShowFailure); true on
// success. For tests that read what an operation's failure would show.
bool Told(const Status& outcome);

class RecordedMessages final : public UserMessages {
public:
    RecordedMessages();
    ~RecordedMessages() override;

    void messageBox(const QString& text, const QString& caption) override;
    void simpleMessage(const QString& text) override;
    void errorBox(const QString& text) override;

    const QList<RecordedMessage>& all() const { return shown_; }
    QStringList texts() const;
    void clear() { shown_.clear(); }

private:
    QList<RecordedMessage> shown_;
    UserMessages* previous_;
};
