#include "workflow/UserMessages.h"

namespace {

class SilentMessages final : public UserMessages {
public:
    void messageBox(const QString&, const QString&) override {}
    void simpleMessage(const QString&) override {}
    void errorBox(const QString&) override {}
};

SilentMessages silent;
UserMessages* installed = &silent;

}  // namespace

UserMessages& Messages() { return *installed; }

UserMessages* InstallMessages(UserMessages* messages) {
    UserMessages* previous = installed;
    installed = messages ? messages : &silent;
    return previous;
}

void ShowFailure(const Failure& failure) {
    switch (failure.notice) {
        case FailureNotice::Prompt:
            Messages().messageBox(failure.text, QStringLiteral("提示"));
            break;
        case FailureNotice::SystemPrompt:
            Messages().messageBox(failure.text, QStringLiteral("系统提示信息"));
            break;
        case FailureNotice::Simple:
            Messages().simpleMessage(failure.text);
            break;
        case FailureNotice::ErrorBox:
            Messages().errorBox(failure.text);
            break;
    }
}
