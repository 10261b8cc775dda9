#include "app/LyricsFolderHint.h"

#include <QFontMetrics>

namespace {
const QString kBesideProgram =
    QStringLiteral("在本软件文件夹temp子目录中放入同名的LRC歌词文件，即可动态显示歌词");
const QString kBefore = QStringLiteral("在");
const QString kAfter = QStringLiteral("中放入同名的LRC歌词文件，即可动态显示歌词");
}  // namespace

QString LyricsFolderHint(const QString& tempFolder, bool besideProgram, const QString& homeFolder,
                         const QFontMetrics& metrics, int widthPx) {
    if (besideProgram) return kBesideProgram;
    QString folder = tempFolder;
    if (folder.endsWith(u'/') && folder.size() > 1) folder.chop(1);
    QString home = homeFolder;
    if (home.endsWith(u'/')) home.chop(1);
    if (!home.isEmpty() && (folder == home || folder.startsWith(home + u'/'))) {
        folder = u'~' + folder.mid(home.size());
    }
    const int frame = metrics.horizontalAdvance(kBefore + kAfter);
    if (frame + metrics.horizontalAdvance(folder) > widthPx) {
        folder = metrics.elidedText(folder, Qt::ElideMiddle, qMax(0, widthPx - frame));
    }
    return kBefore + folder + kAfter;
}
