#pragma once
// How a sound input tells a failure: in PulseAudio's error numbers and
// words on either server, so the singer reads the same message whichever
// runs. Any thread.

#include <string>

#include "base/Result.h"
#include "platform/PulseServer.h"

namespace platform {

inline ::Failure InputFailure(const PulseError& error) {
    return {FailureCause::NoSound, QString::fromStdString(error.text), FailureNotice::Simple,
            error.number};
}

inline ::Failure InputFailure(int number, const std::string& what) {
    return InputFailure(MakePulseError(number, what));
}

}  // namespace platform
