#include "base/CommandLine.h"

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

}  // namespace

bool SplitCommandLine(const QString& line, QStringList& arguments) {
    arguments.clear();
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && IsBlank(line[i])) ++i;

    // The program name: quoted up to the next quote, else up to a blank.
    QString program;
    if (i < n && line[i] == u'"') {
        const qsizetype close = line.indexOf(u'"', i + 1);
        if (close < 0) return false;
        program = line.mid(i + 1, close - i - 1);
        i = close + 1;
    }
    while (i < n && !IsBlank(line[i])) program += line[i++];
    if (program.isEmpty()) return false;

    QStringList result{program};
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        QString argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == u'\\') {
                qsizetype backslashes = 0;
                while (i < n && line[i] == u'\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && line[i] == u'"') {
                    argument += QString(backslashes / 2, u'\\');
                    if (backslashes % 2 == 1) {
                        argument += u'"';
                        ++i;
                    }
                } else {
                    argument += QString(backslashes, u'\\');
                }
            } else if (line[i] == u'"') {
                if (quoted && i + 1 < n && line[i + 1] == u'"') {
                    argument += u'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        if (quoted) return false;
        result << argument;
    }
    arguments = result;
    return true;
}
