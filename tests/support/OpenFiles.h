#pragma once
// The files (and sockets, pipes, devices) this test process holds open, to
// see that a run leaves none behind.

int OpenFileCount();
