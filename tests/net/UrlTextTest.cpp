#include <gtest/gtest.h>

#include "net/UrlText.h"

TEST(UrlText, GetUrlParam) {
    const QString amp = QStringLiteral("\r\n&");
    const struct {
        const char* text;
        const char* key;
        const char* delimiters;
        const char* expected;
    } cases[] = {
        {"http://s/p?id=1&name=abc&x=2", "name=", "\r\n&", "abc"},
        {"http://s/p?id=1&name=abc&x=2", "nome=", "\r\n&", ""},
        {"http://s/p?id=1&name=abc", "name=", "\r\n&", "abc"},
        {"http://s/p?filename=x&name=y", "name=", "\r\n&", "x"},
        {"http://s/p?name=a#b&c", "name=", "\r\n&", "a#b"},
        {"http://s/p?name=a\r\nb", "name=", "\r\n&", "a"},
        {"http://s/p?name=&x=1", "name=", "\r\n&", ""},
        {"http://s/p?NAME=abc", "name=", "\r\n&", ""},
        {"http://host.x:81/a/b", "http://", "/", "host.x:81"},
        {"https://host/a", "http://", "/", ""},
        {"", "name=", "&", ""},
        {"name=", "", "&", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.expected),
                  GetUrlParam(QString::fromUtf8(c.text), QString::fromUtf8(c.key),
                              QString::fromUtf8(c.delimiters)))
            << c.text << " / " << c.key;
    }
    EXPECT_EQ(QStringLiteral("歌曲"), GetUrlParam(QStringLiteral("x?name=歌曲&y"), "name=", amp));
}

TEST(UrlText, ReplaceAll) {
    const struct {
        const char* text;
        const char* search;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"a b  c", " ", "\r\n", "a\r\nb\r\n\r\nc"},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},
        {"", "a", "x", ""},
        {"abcabc", "abc", "", ""},
        {"xAx", "a", "b", "xAx"},
        {"ab", "ab", "abab", "abab"},
        {"no match", "zz", "y", "no match"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.expected),
                  ReplaceAll(QString::fromUtf8(c.text), QString::fromUtf8(c.search),
                             QString::fromUtf8(c.replacement)))
            << c.text;
    }
    // A replacement that contains the search text is not searched again.
    const QString long_(100000, u'x');
    EXPECT_EQ(200000, ReplaceAll(long_, "x", "xx").size());
}

TEST(UrlText, HostOfUrl) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"http://host/x", "host"},
        {"http://host:8080/x/y", "host:8080"},
        {"  http://h  ", "h"},
        {"http://h", "h"},
        {"host:81", "host:81"},
        {"HTTP://h/x", "HTTP://h/x"},
        {"https://h/x", "https://h/x"},
        {"", ""},
        {"http://", ""},
        {"\thttp://a.b.c/?q=/\r\n", "a.b.c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.expected), HostOfUrl(QString::fromUtf8(c.text))) << c.text;
    }
}
