#pragma once
// Ports on 127.0.0.1 for the servers a test starts.

// A port that nobody listened on a moment ago (bound to port 0, read back
// and released). Another program may take it before the caller does, so a
// caller that fails to listen on it should try again with a new one. 0 when
// no socket could be made.
int FreeLoopbackPort();

// Whether something on 127.0.0.1:`port` accepts a TCP connection now;
// waits at most one second.
bool AcceptsConnections(int port);
