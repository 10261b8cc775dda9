#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "base/CommandLine.h"
#include "platform/LaunchProgram.h"
#include "tests/support/TempDir.h"

namespace {

QStringList Split(const QString& line, bool* ok = nullptr) {
    QStringList arguments;
    const bool split = SplitCommandLine(line, arguments);
    if (ok) *ok = split;
    return arguments;
}

// The argument lists the recorder program wrote, one per start.
QList<QStringList> Recorded(const QString& log) {
    QFile file(log);
    QList<QStringList> starts;
    if (!file.open(QIODevice::ReadOnly)) return starts;
    for (const QByteArray& record : file.readAll().split('\n')) {
        if (record.isEmpty()) continue;
        QStringList arguments;
        for (const QByteArray& argument : record.split('\0'))
            arguments << QString::fromUtf8(argument);
        arguments.removeLast();  // after the last NUL
        starts << arguments;
    }
    return starts;
}

constexpr char kRecorder[] = TAVIMO_ARGV_RECORDER;

}  // namespace

TEST(CommandLine, SplitsByTheWindowsQuotingRules) {
    const struct {
        const char* line;
        QStringList expected;
    } cases[] = {
        {R"("C:\K\update.exe" "http://h/update" -Otavimo.exe )",
         {R"(C:\K\update.exe)", "http://h/update", "-Otavimo.exe"}},
        {"prog a  b\tc", {"prog", "a", "b", "c"}},
        {R"(prog "a b" c)", {"prog", "a b", "c"}},
        {R"(prog a"b c"d)", {"prog", "ab cd"}},
        {R"(prog "a ""quoted"" word")", {"prog", R"(a "quoted" word)"}},
        {R"(prog a\\\"b)", {"prog", R"(a\"b)"}},
        {R"(prog a\\"b c")", {"prog", R"(a\b c)"}},
        {R"(prog a\b\\c)", {"prog", R"(a\b\\c)"}},
        {R"(prog \"x\")", {"prog", R"("x")"}},
        {R"(prog "")", {"prog", ""}},
        {R"("/a b/prog"x y)", {"/a b/progx", "y"}},
        {R"("C:\dir\"x y)", {R"(C:\dir\x)", "y"}},
        {R"(prog a\"b)", {"prog", R"(a"b)"}},
        {"prog $(touch /tmp/x) ; rm -rf / | cat",
         {"prog", "$(touch", "/tmp/x)", ";", "rm", "-rf", "/", "|", "cat"}},
        {"  prog  ", {"prog"}},
    };
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(c.expected, Split(QString::fromUtf8(c.line), &ok)) << c.line;
        EXPECT_TRUE(ok) << c.line;
    }
    for (const char* bad : {"", "   ", R"("unclosed program)", R"(prog "unclosed)", R"("" x)"}) {
        bool ok = true;
        EXPECT_TRUE(Split(QString::fromUtf8(bad), &ok).isEmpty()) << bad;
        EXPECT_FALSE(ok) << bad;
    }
}

TEST(LaunchProgram, PassesArgumentsExactlyAndNeverRunsAShell) {
    TempDir dir;
    const QString log = dir.path("argv.log");
    qputenv("TAVIMO_ARGV_LOG", log.toUtf8());
    const QString marker = dir.path("shell-ran");
    const QString line = QStringLiteral(
                             "\"%1\" \"an argument with blanks\" \"say \"\"hi\"\"\" "
                             "\"$(touch %2)\" ';' `touch%20x` 歌曲 -Otavimo ")
                             .arg(QString::fromUtf8(kRecorder), marker);
    LaunchProgram(line, false, -1);
    const QList<QStringList> starts = Recorded(log);
    ASSERT_EQ(1, starts.size());
    EXPECT_EQ((QStringList{QString::fromUtf8(kRecorder), "an argument with blanks", "say \"hi\"",
                           "$(touch " + marker + ")", "';'", "`touch%20x`", "歌曲", "-Otavimo"}),
              starts[0]);
    EXPECT_FALSE(QFileInfo::exists(marker));
    qunsetenv("TAVIMO_ARGV_LOG");
}

TEST(LaunchProgram, WaitsForTheProgramOrItsTimeOut) {
    TempDir dir;
    const QString log = dir.path("argv.log");
    qputenv("TAVIMO_ARGV_LOG", log.toUtf8());
    qputenv("TAVIMO_ARGV_SLEEP_MS", "700");
    const QString line = QStringLiteral("\"%1\" x").arg(QString::fromUtf8(kRecorder));
    QElapsedTimer clock;
    clock.start();
    LaunchProgram(line, true, -1);
    EXPECT_GE(clock.elapsed(), 600);  // it waited for the program to end
    clock.restart();
    LaunchProgram(line, true, 100);
    EXPECT_LT(clock.elapsed(), 600);  // it stopped waiting at the time-out
    EXPECT_EQ(2, Recorded(log).size());
    qunsetenv("TAVIMO_ARGV_SLEEP_MS");
    qunsetenv("TAVIMO_ARGV_LOG");
}

TEST(LaunchProgram, ReturnsAtOnceWhenNothingCanStart) {
    TempDir dir;
    QFile notExecutable(dir.path("plain.txt"));
    ASSERT_TRUE(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.close();
    QElapsedTimer clock;
    clock.start();
    // Each of these would wait for ever if anything had been started.
    LaunchProgram("\"" + dir.path("missing") + "\" a", false, -1);
    LaunchProgram("\"" + dir.path("plain.txt") + "\"", false, -1);
    LaunchProgram("\"" + dir.path() + "\"", false, -1);
    LaunchProgram("no-such-program-anywhere-on-path x", false, -1);
    LaunchProgram("\"unbalanced", false, -1);
    LaunchProgram("", false, -1);
    LaunchProgram(QString(100000, u'x'), false, -1);
    EXPECT_LT(clock.elapsed(), 5000);
}
