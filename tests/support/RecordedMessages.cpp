#include "tests/support/RecordedMessages.h"

bool Told(const Status& outcome) {
    if (!outcome) ShowFailure(outcome.failure());
    return outcome.ok();
}

RecordedMessages::RecordedMessages() : previous_(InstallMessages(this)) {}

RecordedMessages::~RecordedMessages() { InstallMessages(previous_); }

void RecordedMessages::messageBox(const QString& text, const QString& caption) {
    shown_.append({RecordedMessage::MessageBox, text, caption});
}

void RecordedMessages::simpleMessage(const QString& text) {
    shown_.append({RecordedMessage::Simple, text, QString()});
}

void RecordedMessages::errorBox(const QString& text) {
    shown_.append({RecordedMessage::Error, text, QString()});
}

QStringList RecordedMessages::texts() const {
    QStringList list;
    for (const RecordedMessage& m : shown_) list << m.text;
    return list;
}
