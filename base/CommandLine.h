#pragma once
// A command line as one text, split into its program and arguments by the
// Windows quoting rules the program's command lines are written in: blanks
// (space, tab) separate arguments; double quotes group, and are not part of
// the argument; inside quotes "" is one literal quote; 2n backslashes before
// a quote give n backslashes, 2n+1 give n and a literal quote; other
// backslashes are plain characters. The program name (the first token) is
// taken up to its closing quote when quoted, with no escapes. No shell is
// involved: "$(...)", ";", "|" and the like are ordinary characters.
// Pure function; any thread.

#include <QString>
#include <QStringList>

// False (and no arguments) for a line with an unbalanced quote or no
// program name.
bool SplitCommandLine(const QString& commandLine, QStringList& arguments);
