#pragma once
// A service a test starts (a server, a proxy, a sound daemon, a recorder)
// ends with the test process even when that process dies without running its
// destructors (a crash, a sanitizer's abort, a kill): the kernel sends it
// SIGKILL when the test goes. Otherwise an orphan would keep the test's
// output pipe open and hold the test runner until its time-out.

#include <QProcess>

void EndWithTheTest(QProcess& service);
