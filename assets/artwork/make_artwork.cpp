// Draws every bitmap of the main window into the folder given as argument.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "assets/artwork/FacePainter.h"

namespace {

bool Save(const QDir& dir, const char* name, const QImage& image) {
    const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork FOLDER\n");
        return 2;
    }
    QDir dir;
    if (!dir.mkpath(QString::fromLocal8Bit(argv[1]))) return 1;
    dir.setPath(QString::fromLocal8Bit(argv[1]));

    using S = FaceState;
    bool ok = true;
    const struct { const char* name; TitleGlyph glyph; int size; } titles[] = {
        {"mini", TitleGlyph::Minimise, 19}, {"help", TitleGlyph::Help, 17},
        {"close", TitleGlyph::Close, 17}};
    for (const auto& t : titles) {
        const QString base = QString::fromLatin1(t.name);
        ok &= Save(dir, qPrintable(base + "_idle"), TitleButton(t.size, t.glyph, S::Idle));
        ok &= Save(dir, qPrintable(base + "_up"), TitleButton(t.size, t.glyph, S::Hover));
        ok &= Save(dir, qPrintable(base + "_down"), TitleButton(t.size, t.glyph, S::Pressed));
    }

    // The record button's image list: green square, red dot, green square.
    const QString start = QString::fromUtf8("开始录歌");
    ok &= Save(dir, "record_0", ButtonFace(98, 39, start, S::Idle, FaceIcon::GreenSquare, 14));
    ok &= Save(dir, "record_1",
               ButtonFace(98, 39, QString::fromUtf8("停止录歌"), S::Idle, FaceIcon::RedDot, 14));
    ok &= Save(dir, "record_2", ButtonFace(98, 39, QString::fromUtf8("重新录歌"), S::Idle,
                                           FaceIcon::GreenSquare, 14));
    ok &= Save(dir, "record_down", ButtonFace(98, 39, start, S::Pressed, FaceIcon::GreenSquare, 14));
    ok &= Save(dir, "record_disabled",
               ButtonFace(98, 39, start, S::Disabled, FaceIcon::GreenSquare, 14));

    // The preview button's image list: "试 听" spaced out, then "停止试听".
    const QString listen = QString::fromUtf8("试  听");
    ok &= Save(dir, "play_0", ButtonFace(72, 24, listen, S::Idle));
    ok &= Save(dir, "play_1", ButtonFace(72, 24, QString::fromUtf8("停止试听"), S::Idle));
    ok &= Save(dir, "play_down", ButtonFace(72, 24, listen, S::Pressed));
    ok &= Save(dir, "play_disabled", ButtonFace(72, 24, listen, S::Disabled));

    const struct { const char* name; const char* caption; int width; } plain[] = {
        {"save", "保存歌曲", 72}, {"upload", "上传歌曲", 72}, {"studio", "调音", 56}};
    for (const auto& b : plain) {
        const QString base = QString::fromLatin1(b.name);
        const QString caption = QString::fromUtf8(b.caption);
        const int w = b.width;
        ok &= Save(dir, qPrintable(base + "_idle"), ButtonFace(w, 24, caption, S::Idle));
        ok &= Save(dir, qPrintable(base + "_up"), ButtonFace(w, 24, caption, S::Hover));
        ok &= Save(dir, qPrintable(base + "_down"), ButtonFace(w, 24, caption, S::Pressed));
        ok &= Save(dir, qPrintable(base + "_disabled"), ButtonFace(w, 24, caption, S::Disabled));
    }

    const QColor background(234, 244, 254);
    ok &= Save(dir, "volume_master", SpeakerIcon(32, 30, background));
    ok &= Save(dir, "volume_mic", MicrophoneIcon(30, 30, background));
    return ok ? 0 : 1;
}
