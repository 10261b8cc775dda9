// Song links and the desktop's proxy setting on arbitrary text, as a web page
// and the environment may hand them over: the input is split at NUL bytes
// into a link, a download address, a proxy setting and its bypass list. A link's
// download never leads out of the temp folder; the proxy found names a host
// and its port or nothing; a command line split into arguments has a program.
#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "app/MusicLink.h"
#include "fuzz/FuzzCheck.h"
#include "base/CommandLine.h"
#include "net/ProxyDetection.h"
#include "net/UrlText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0');
    const QString link = QString::fromUtf8(parts.value(0));
    const QString answer = QString::fromUtf8(parts.value(1));
    const QByteArray proxy = parts.value(2);

    const QString temp = QStringLiteral("/p/temp/");
    if (IsMusicLink(link)) {
        const QString fetch = MusicFetchAddress(link);
        FuzzCheck(fetch.startsWith(QLatin1String("http")), "a fetch address that is not http");
        const QString target = MusicDownloadTarget(temp, fetch, answer);
        FuzzCheck(target.isEmpty() || QDir::cleanPath(target).startsWith(temp),
                  "a download outside the temp folder");
        FuzzCheck(!MusicLinkName(fetch).contains(u'/'), "a name with a folder in it");
    }
    ReplaceAll(link, answer.left(4), QString::fromUtf8(proxy.left(8)));

    QString host;
    int port = -1;
    if (DetectProxy(platform::ProxySettingFrom(proxy, parts.value(3)), link, host, port)) {
        FuzzCheck(!host.contains(u':') && !host.contains(u'/'), "a proxy host that is no host");
    }

    QStringList arguments;
    if (SplitCommandLine(answer, arguments)) {
        FuzzCheck(!arguments.isEmpty() && !arguments.first().isEmpty(), "a command without a program");
    } else {
        FuzzCheck(arguments.isEmpty(), "arguments from a line that cannot be split");
    }
    return 0;
}
