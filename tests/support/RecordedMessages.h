#pragma once
// Message boxes that are recorded instead of shown, installed for the
// lifetime of the object.

#include <QString>
#include <QStringList>

#include "platform/UserMessages.h"

struct RecordedMessage {
    enum Kind { MessageBox, Simple, Error } kind;
    QString text;
    QString caption;
};

class RecordedMessages final : public platform::UserMessages {
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
    platform::UserMessages* previous_;
};
