#include "site/songmaker/LrcWriter.h"

#include <iconv.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>

namespace {

std::string TimeTag(double seconds) {
    const long hundredths = std::lround(seconds * 100);
    char tag[32];
    std::snprintf(tag, sizeof tag, "[%02ld:%02ld.%02ld]", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return tag;
}

struct Converter {
    iconv_t handle;
    explicit Converter(const char* to) : handle(iconv_open(to, "UTF-8")) {}
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
};

std::optional<std::string> ToGbk(const std::string& utf8) {
    Converter converter("GBK");
    if (converter.handle == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* at = out.data();
    size_t outLeft = out.size();
    if (iconv(converter.handle, &in, &inLeft, &at, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string LrcText(const std::string& title, const std::vector<TimedLyric>& lyrics) {
    std::string text = "[ti:" + title + "]\r\n[ar:Tavimo 演示伴奏]\r\n[by:tavimo-songmaker]\r\n";
    for (const TimedLyric& line : lyrics) text += TimeTag(line.seconds) + line.text + "\r\n";
    return text;
}

bool WriteLrc(const std::string& utf8Text, LyricsEncoding encoding, const std::string& path,
              std::string& error) {
    std::string bytes = utf8Text;
    if (encoding == LyricsEncoding::kUtf8WithBom) bytes = "\xEF\xBB\xBF" + utf8Text;
    if (encoding == LyricsEncoding::kGbk) {
        std::optional<std::string> gbk = ToGbk(utf8Text);
        if (!gbk) {
            error = path + ": the lyrics have no GBK form";
            return false;
        }
        bytes = *gbk;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) error = path + ": cannot be written";
    return static_cast<bool>(out);
}
