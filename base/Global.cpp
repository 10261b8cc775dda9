#include "base/Global.h"

#include <unistd.h>

#include <QDir>
#include <QFile>

namespace {

QString workFolder;
QString tempFolder;
QString settingsListPath;
bool workFilesBesideProgram = true;

bool CanWrite(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

bool IsFolderSeparator(QChar c) { return c == u'/' || c == u'\\'; }

qsizetype FileNameStart(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsFolderSeparator(path[i]) || path[i] == u':') return i + 1;
    }
    return 0;
}

}  // namespace

const QString& WorkFolder() { return workFolder; }
const QString& TempFolder() { return tempFolder; }
const QString& SettingsListPath() { return settingsListPath; }

void SetWorkFolders(const QString& programPath, bool besideProgram, const QString& dataFolder) {
    const qsizetype lastSlash = programPath.lastIndexOf(u'/');
    workFolder = programPath.left(lastSlash + 1);
    workFilesBesideProgram = besideProgram;
    const QString filesFolder = besideProgram ? workFolder : dataFolder;
    tempFolder = filesFolder + QStringLiteral("temp/");
    // "tavimo.exe" gives "tavimo.ini"; a Linux program has no extension to
    // replace, so "tavimo" gives "tavimo.ini" too.
    settingsListPath = filesFolder + StripFileExt(programPath) + QStringLiteral(".ini");
}

void SetWorkFolders(const QString& programPath) {
    const QString programFolder = programPath.left(programPath.lastIndexOf(u'/') + 1);
    const bool beside = WorkFilesFitBeside(programFolder);
    SetWorkFolders(programPath, beside, beside ? QString() : UserDataFolder());
}

bool WorkFilesFitBeside(const QString& programFolder) {
    if (programFolder.isEmpty() || !CanWrite(programFolder)) return false;
    const QString temp = QDir(programFolder).filePath(QStringLiteral("temp"));
    return !QFile::exists(temp) || CanWrite(temp);
}

QString UserDataFolder() {
    // Relative paths in the XDG variables are invalid and ignored.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.startsWith(u'/')) dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    if (!dataHome.endsWith(u'/')) dataHome += u'/';
    return dataHome + QStringLiteral("tavimo/");
}

bool WorkFilesBesideProgram() { return workFilesBesideProgram; }

QString FileNamePart(const QString& path) { return path.mid(FileNameStart(path)); }

QString StripFileExt(const QString& path) {
    const QString name = FileNamePart(path);
    // Scan backwards for the dot; a dot at position 0 is part of the name.
    for (qsizetype i = name.size() - 1; i > 0; --i) {
        if (name[i] == u'.') return name.left(i);
    }
    return name;
}

QString TrimControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32) ++begin;
    while (end > begin && text[end - 1].unicode() <= 32) --end;
    return text.mid(begin, end - begin);
}

QString LowerFileExt(const QString& path) {
    // The extension runs from the last dot of the file-name part, dot included.
    const qsizetype nameStart = FileNameStart(path);
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < nameStart) return QString();
    QString extension = TrimControls(path.mid(dot)).toLower();
    if (extension.startsWith(u'.')) extension.remove(0, 1);
    return extension;
}
