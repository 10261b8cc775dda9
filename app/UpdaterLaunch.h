#pragma once
// Starting the updater that lies beside the program, once a run, and waiting
// for it: it is given the site's update address and the program's own file
// name. Without an updater nothing happens and nothing waits.

#include <QString>

// "\"<workFolder>update\" \"<updateUrl>\" -O<programFileName> ".
QString UpdaterCommandLine(const QString& workFolder, const QString& updateUrl,
                           const QString& programFileName);

// Starts the updater of `workFolder` hidden and waits until it ends.
void LaunchUpdater(const QString& workFolder, const QString& programFileName);
