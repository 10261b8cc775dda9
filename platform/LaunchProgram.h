#pragma once
// Starting another program from a command line and waiting for it.
// Blocks the calling thread; call it from the UI thread as the updater does.

#include <QString>

// Starts the program that `commandLine` names (split as CommandLine.h says;
// quote a path that contains blanks) and waits until it ends or `timeoutMs`
// passes (-1: no limit). `show` asks for the program's window to be shown;
// Linux programs decide that themselves, so it changes nothing here. A line
// that cannot be split or a program that cannot start returns at once.
void LaunchProgram(const QString& commandLine, bool show, int timeoutMs);
