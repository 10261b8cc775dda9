#pragma once
// Bounds on every network wait, so that no request hangs on a dead server.

#include <cstdint>

// Connecting gives up after this long. A reachable server answers a
// connection attempt within a second or two even far away; 10 s leaves room
// for the two lost SYN packets that the kernel's retries (1 s, 2 s, 4 s)
// cover, but not for its own two-minute give-up.
inline constexpr long kConnectTimeoutMs = 10000;

// A transfer that delivers no byte for this long has died. Servers answer a
// text request at once and send a file steadily, so 15 s of silence is not
// a slow network but a lost one.
inline constexpr long kStallSeconds = 15;

// A text answer (an address, a short note) is never this big; a larger body
// ends the request instead of filling memory.
inline constexpr int64_t kTextBodyLimitBytes = 1 << 20;
