#include "platform/UserMessages.h"

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

}  // namespace platform
