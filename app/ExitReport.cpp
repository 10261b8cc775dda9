#include "app/ExitReport.h"

#include <unistd.h>

#include <cstring>

#include "base/Global.h"
#include "base/SiteHosts.h"
#include "net/http/HttpGetText.h"

namespace {

QByteArray Timestamp(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
}

}  // namespace

QByteArray ExitReportText(const QByteArray& hostName, const QDateTime& openTime,
                          const QDateTime& closeTime, const QString& musicFile) {
    return "hostname=" + hostName + "\r\n" + "opentime=" + Timestamp(openTime) + "\r\n" +
           "closetime=" + Timestamp(closeTime) + "\r\n" +
           "music=" + FileNamePart(musicFile).toUtf8() + "\r\n";
}

QString EncodeBase64(const char* bytes, qsizetype count) {
    if (count <= 0) return QString();
    return QString::fromLatin1(QByteArray::fromRawData(bytes, count).toBase64());
}

QString EncodeReportParam(const QByteArray& text) {
    return EncodeBase64(text.constData(), text.size());
}

QByteArray HostName() {
    // Zeroed first and one byte kept, so the name always ends in a zero byte.
    char name[128];
    std::memset(name, 0, sizeof name);
    if (gethostname(name, sizeof name - 1) != 0) return QByteArray();
    return QByteArray(name);
}

void SendExitReport(const QDateTime& openTime, const QString& musicFile) {
    const QByteArray report =
        ExitReportText(HostName(), openTime, QDateTime::currentDateTime(), musicFile);
    HttpGetText(ReportUrl(EncodeReportParam(report)));
}
