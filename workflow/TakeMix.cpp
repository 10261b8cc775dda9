#include "workflow/TakeMix.h"

#include "audio/MixDown.h"
#include "base/Global.h"

Status MixDownTake(Session& session) {
    // The mixdown would also take the leftover's format as the current one,
    // and the next take would be recorded in it.
    if (session.MusicFile.isEmpty()) return CopyVoiceAsMix(TempFolder());
    return MixDown(TempFolder(), session.CurrentFormat);
}
