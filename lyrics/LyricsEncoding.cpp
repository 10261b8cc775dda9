#include "lyrics/LyricsEncoding.h"

#include <uchardet.h>

#include <QStringDecoder>
#include <memory>

namespace {

struct DetectorDeleter {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};

// What the detector makes of the bytes; "" when it cannot tell.
QByteArray Detected(const QByteArray& bytes) {
    const std::unique_ptr<uchardet, DetectorDeleter> detector(uchardet_new());
    if (!detector) return QByteArray();
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) != 0) {
        return QByteArray();
    }
    uchardet_data_end(detector.get());
    return QByteArray(uchardet_get_charset(detector.get())).toUpper();
}

bool DecodesWithoutError(const char* encoding, const QByteArray& bytes) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return false;
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.contains(QChar::ReplacementCharacter);
}

QByteArray WithoutMarkUpToNul(const QByteArray& bytes) {
    QByteArray text = bytes;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    return text;
}

}  // namespace

QByteArray LyricsEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) return "UTF-16LE";
    if (bytes.startsWith("\xFE\xFF")) return "UTF-16BE";
    const QByteArray text = WithoutMarkUpToNul(bytes);
    if (DecodesWithoutError("UTF-8", text)) return "UTF-8";
    if (Detected(text) == "BIG5" && DecodesWithoutError("Big5", text)) return "Big5";
    return "GB18030";
}

QString DecodeLyricsText(const QByteArray& bytes) {
    const QByteArray encoding = LyricsEncoding(bytes);
    if (encoding.startsWith("UTF-16")) {
        QStringDecoder decoder(encoding.constData());
        QString text = decoder.decode(bytes.mid(2));
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0) text.truncate(nul);
        return text;
    }
    QStringDecoder decoder(encoding.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return QString::fromLocal8Bit(WithoutMarkUpToNul(bytes));
    return decoder.decode(WithoutMarkUpToNul(bytes));
}
