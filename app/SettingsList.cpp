#include "app/SettingsList.h"

#include <QFile>
#include <QSaveFile>

bool SettingsList::LoadFromFile(const QString& path) {
    Lines.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        Lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) Lines.append(bytes.mid(start));
    return true;
}

bool SettingsList::SaveToFile(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const QByteArray& line : Lines) {
        file.write(line);
        file.write("\r\n", 2);
    }
    return file.commit();
}
