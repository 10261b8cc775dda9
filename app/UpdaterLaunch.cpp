#include "app/UpdaterLaunch.h"

#include "platform/LaunchProgram.h"
#include "base/SiteHosts.h"

QString UpdaterCommandLine(const QString& workFolder, const QString& updateUrl,
                           const QString& programFileName) {
    return u'"' + workFolder + QStringLiteral("update\" \"") + updateUrl + QStringLiteral("\" -O") +
           programFileName + u' ';
}

void LaunchUpdater(const QString& workFolder, const QString& programFileName) {
    LaunchProgram(UpdaterCommandLine(workFolder, UpdateUrl(), programFileName), false, -1);
}
