// The settings file on arbitrary bytes: read, written back and read again.
// The lines survive the round trip unchanged, and the written file is every
// line followed by CR LF.
#include <QByteArray>
#include <cstdint>

#include "app/SettingsList.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SettingsList read;
    FuzzCheck(read.LoadFromFile(WriteFuzzFile(QStringLiteral("tavimo.ini"), data, size)),
              "the file did not load");
    const QString saved = FuzzFolder() + QStringLiteral("saved.ini");
    FuzzCheck(read.SaveToFile(saved), "the list was not saved");
    QByteArray expected;
    for (const QByteArray& line : read.Lines) expected += line + "\r\n";
    FuzzCheck(ReadFuzzFile(QStringLiteral("saved.ini")) == expected, "the saved bytes");
    SettingsList again;
    FuzzCheck(again.LoadFromFile(saved) && again.Lines == read.Lines, "the lines changed");
    return 0;
}
