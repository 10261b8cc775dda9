#include "workflow/TakeMix.h"

#include "audio/MixDown.h"
#include "net/Global.h"

bool MixDownTake(MainWindowParts& window) {
    // The mixdown would also take the leftover's format as the current one,
    // and the next take would be recorded in it.
    if (window.MusicFile.isEmpty()) return CopyVoiceAsMix(TempFolder());
    return MixDown(TempFolder(), window.CurrentFormat);
}
