#include "workflow/LyricsDisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QWidget>
#include <stdexcept>

namespace {
const QString kNoLyricsText = QStringLiteral("在伴奏文件的同目录中放入同名的lrc文件，即可显示歌词");
const QString kNoArtistText =
    QStringLiteral("在本软件文件夹temp子目录中放入同名的lrc文件，即可显示歌词");
}  // namespace

QString LyricsPathFor(const QString& musicFile) {
    return musicFile.left(qMax<qsizetype>(0, musicFile.size() - 3)) + QStringLiteral("lrc");
}

void LoadLyrics(MainWindowParts& w, const QString& path) {
    w.LyricLines.clear();
    w.LabelText->setText(kNoLyricsText);
    w.LabelTextNext->setText(QString());
    if (!QFileInfo::exists(path)) return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2")
                                     .arg(QFileInfo(path).absoluteFilePath(), file.errorString())
                                     .toStdString());
    }
    const ParsedLyrics lyrics = ParseLyrics(DecodeLyricsText(file.readAll()));
    w.LyricLines = lyrics.lines;
    // Title and artist stay from an earlier file until a later tag replaces them.
    if (lyrics.title) w.LyricTitle = *lyrics.title;
    if (lyrics.artist) w.LyricArtist = *lyrics.artist;

    w.Window->setWindowTitle(w.LyricTitle.isEmpty() ? w.MusicFile : w.LyricTitle);
    QFont font = w.LabelText->font();
    font.setBold(!w.LyricArtist.isEmpty());
    w.LabelText->setFont(font);
    w.LabelText->setText(w.LyricArtist.isEmpty() ? kNoArtistText : w.LyricArtist);
}

void ShowLyricsAt(MainWindowParts& w, int t) {
    const std::optional<PickedLines> picked = PickLyricLines(w.LyricLines, t);
    if (!picked) return;
    w.LabelText->setText(picked->current);
    w.LabelTextNext->setText(picked->next);
}
