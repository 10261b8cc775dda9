#include "workflow/LyricsDisplay.h"

#include <QFile>
#include <QFileInfo>

#include "lyrics/LyricsEncoding.h"

namespace {
const QString kNoLyricsText = QStringLiteral("在伴奏文件的同目录中放入同名的lrc文件，即可显示歌词");
const QString kNoArtistText =
    QStringLiteral("在本软件文件夹temp子目录中放入同名的lrc文件，即可显示歌词");
}  // namespace

QString LyricsPathFor(const QString& musicFile) {
    return musicFile.left(qMax<qsizetype>(0, musicFile.size() - 3)) + QStringLiteral("lrc");
}

Result<std::optional<ParsedLyrics>> ReadLyricsFile(const QString& path) {
    if (!QFileInfo::exists(path)) return std::optional<ParsedLyrics>();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Failure{FailureCause::Unreadable,
                       QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(QFileInfo(path).absoluteFilePath(), file.errorString()),
                       FailureNotice::ErrorBox};
    }
    return std::optional<ParsedLyrics>(ParseLyrics(DecodeLyricsText(file.readAll())));
}

void ShowLyrics(Session& s, const std::optional<ParsedLyrics>& lyrics) {
    s.LyricLines.clear();
    s.LyricTiming.clear();
    s.ShownLyricSecond = -1;
    s.ShownNextLyric.clear();
    s.CountIn.clear();
    s.View.setLyricFill(-1);
    if (!lyrics) {
        s.View.setLyricLines(kNoLyricsText, QString());
        return;
    }
    s.LyricLines = lyrics->lines;
    s.LyricTiming = lyrics->timing;
    // Title and artist stay from an earlier file until a later tag replaces them.
    if (lyrics->title) s.LyricTitle = *lyrics->title;
    if (lyrics->artist) s.LyricArtist = *lyrics->artist;
    s.View.setCaption(s.LyricTitle.isEmpty() ? s.MusicFile : s.LyricTitle);
    s.View.setLyricsBold(!s.LyricArtist.isEmpty());
    s.View.setLyricLines(s.LyricArtist.isEmpty() ? kNoArtistText : s.LyricArtist, QString());
}

void ShowLyricsAt(Session& s, int t) {
    const std::optional<PickedLines> picked = PickLyricLines(s.LyricLines, t);
    if (!picked) return;
    s.View.setLyricLines(picked->current, s.CountIn.isEmpty() ? picked->next : s.CountIn);
    s.ShownLyricSecond = t;
    s.ShownNextLyric = picked->next;
}

void FollowLyrics(Session& s, std::optional<int> heardMs) {
    if (s.LyricTiming.isEmpty()) return;
    const int dots = heardMs ? CountInDots(s.LyricTiming.first().startMs, *heardMs) : 0;
    const QString countIn(dots, QChar(0x25CF));
    if (countIn != s.CountIn) {
        s.CountIn = countIn;
        s.View.setNextLyricLine(countIn.isEmpty() ? s.ShownNextLyric : countIn);
    }
    const auto line = s.LyricTiming.constFind(s.ShownLyricSecond);
    if (!heardMs || line == s.LyricTiming.constEnd()) {
        s.View.setLyricFill(-1);
        return;
    }
    const auto next = std::next(line);
    const int nextStartMs = next == s.LyricTiming.constEnd() ? -1 : next->startMs;
    s.View.setLyricFill(FilledCharacters(*line, nextStartMs, *heardMs).value_or(-1));
}
