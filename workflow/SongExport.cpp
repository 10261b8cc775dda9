#include "workflow/SongExport.h"

#include <QFile>

#include "audio/Mp3Export.h"
#include "base/Global.h"
#include "workflow/TakeController.h"
#include "workflow/TakeMix.h"
#include "workflow/UserMessages.h"

void SongExport::ButtonSaveMp3Click() {
    if (s_.State.phase() == TakePhase::Previewing) take_.ButtonPlayClick();
    if (const Status mixed = MixDownTake(s_); !mixed) {
        ShowFailure(mixed.failure());
        return;
    }
    const QString mix = TempFolder() + QStringLiteral("mix.wav");
    if (!QFile::exists(mix)) return;
    const QString destination = s_.View.chooseSongDestination(ProposedMp3FileName(s_.MusicFile));
    if (destination.isEmpty()) return;
    if (const Status saved = s_.View.exportSong(mix, destination); !saved) {
        ShowFailure(saved.failure());
    }
}
