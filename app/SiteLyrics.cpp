#include "app/SiteLyrics.h"

#include <QSaveFile>

#include "app/MusicLink.h"
#include "lyrics/Lyrics.h"
#include "lyrics/LyricsEncoding.h"
#include "net/http/HttpGetText.h"

QString SiteLyricsAddress(const QString& downloadAddress) {
    const QString extension = DownloadExtension(downloadAddress);
    if (extension.isEmpty()) return QString();
    return downloadAddress.left(downloadAddress.size() - extension.size()) +
           QStringLiteral(".lrc");
}

bool FetchSiteLyrics(const QString& downloadAddress, const QString& lyricsPath) {
    const QString address = SiteLyricsAddress(downloadAddress);
    if (address.isEmpty()) return false;
    const Result<QByteArray> lyrics = HttpGetSmallFile(address);
    if (!lyrics || ParseLyrics(DecodeLyricsText(lyrics.value())).lines.isEmpty()) return false;
    QSaveFile file(lyricsPath);
    return file.open(QIODevice::WriteOnly) && file.write(lyrics.value()) == lyrics->size() &&
           file.commit();
}
