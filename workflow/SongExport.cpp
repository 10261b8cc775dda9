#include "workflow/SongExport.h"

#include <QFile>

#include "audio/Mp3Export.h"
#include "audio/ui/TFormWavToMp3.h"
#include "controls/TEzRgnBtn.h"
#include "net/Global.h"
#include "workflow/TakeController.h"
#include "workflow/TakeMix.h"

SongExport::SongExport(MainWindowParts& window, TakeController& take,
                       ChooseDestinationFunction choose)
    : w_(window), take_(take), choose_(std::move(choose)) {}

void SongExport::ButtonSaveMp3Click() {
    if (w_.EzRgnBtnPlay->Tag() == 1) take_.ButtonPlayClick();
    if (!MixDownTake(w_)) return;
    const QString mix = TempFolder() + QStringLiteral("mix.wav");
    if (!QFile::exists(mix)) return;
    const QString destination = choose_(ProposedMp3FileName(w_.MusicFile));
    if (destination.isEmpty()) return;
    ExportMp3(mix, destination, w_.Window);
}
