#include "net/UrlText.h"

#include "base/Global.h"

QString GetUrlParam(const QString& text, const QString& key, const QString& delimiters) {
    if (key.isEmpty()) return QString();
    const qsizetype found = text.indexOf(key);
    if (found < 0) return QString();
    const qsizetype start = found + key.size();
    qsizetype end = start;
    while (end < text.size() && !delimiters.contains(text[end])) ++end;
    return text.mid(start, end - start);
}

QString ReplaceAll(const QString& text, const QString& search, const QString& replacement) {
    if (text.isEmpty() || search.isEmpty()) return text;
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype match = text.indexOf(search); match >= 0; match = text.indexOf(search, from)) {
        result += QStringView(text).mid(from, match - from);
        result += replacement;
        from = match + search.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

QString HostOfUrl(const QString& text) {
    QString host = TrimControls(text);
    if (!host.startsWith(QLatin1String("http://"))) return host;
    host.remove(0, 7);
    const qsizetype slash = host.indexOf(u'/');
    return slash < 0 ? host : host.left(slash);
}
