// Keeps the program under measurement off every network but loopback.
#pragma once

#include <string>

// Moves this process into a network namespace of its own whose only
// interface, loopback, is up; programs started afterwards inherit it, so a
// connection to 127.0.0.1 is refused at once and nothing leaves the machine.
// Unix sockets by path (the X server's, the sound server's) still work.
// Needs root. Returns an error text, empty on success.
std::string IsolateFromNetwork();
