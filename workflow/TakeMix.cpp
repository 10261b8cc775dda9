#include "workflow/TakeMix.h"

#include "audio/MixDown.h"
#include "base/Global.h"

Status MixDownTake(Session& session) {
    // The mixdown would also take the leftover's format as the current one,
    // and the next take would be recorded in it.
    const Status mixed =
        session.MusicFile.isEmpty()
            ? CopyVoiceAsMix(TempFolder())
            : MixDown(TempFolder(), session.CurrentFormat, session.Studio.mix,
                      AccompanimentFile(session.SungKey));
    if (mixed) {
        session.MixBuiltWith = session.Studio.mix;
        session.MixBuiltInKey = session.SungKey;
    }
    return mixed;
}

bool MixIsCurrent(const Session& session) {
    // The voice alone is copied whatever the settings say.
    return session.MusicFile.isEmpty() || (session.MixBuiltWith == session.Studio.mix &&
                                           session.MixBuiltInKey == session.SungKey);
}
