#include "app/MusicLink.h"

#include <QDir>

#include "net/UrlText.h"

bool IsMusicLink(const QString& address) {
    return address.left(6).toLower() == QLatin1String("music:");
}

QString MusicFetchAddress(const QString& link) { return QStringLiteral("http") + link.mid(5); }

QString MusicLinkName(const QString& fetchAddress) {
    const QString name =
        GetUrlParam(fetchAddress, QStringLiteral("name="), QStringLiteral("\r\n&"));
    return name.mid(name.lastIndexOf(u'/') + 1);
}

QString DownloadExtension(const QString& downloadAddress) {
    const qsizetype dot = downloadAddress.lastIndexOf(u'.');
    if (dot < 0) return QString();
    const QStringView rest = QStringView(downloadAddress).mid(dot);
    if (rest.contains(u'\\') || rest.contains(u':')) return QString();
    return rest.toString();
}

QString MusicDownloadTarget(const QString& tempFolder, const QString& fetchAddress,
                            const QString& downloadAddress) {
    const QString target =
        tempFolder + MusicLinkName(fetchAddress) + DownloadExtension(downloadAddress);
    const QString folder = QDir::cleanPath(tempFolder) + u'/';
    return QDir::cleanPath(target).startsWith(folder) ? target : QString();
}
