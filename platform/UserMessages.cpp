#include "platform/UserMessages.h"

#include <exception>

namespace platform {
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

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        Messages().errorBox(QString::fromUtf8(error.what()));
    }
}

}  // namespace platform
