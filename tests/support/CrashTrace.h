#pragma once

// A test binary that crashes prints its stack to stderr before it dies, so
// that a crash seen once in CI's log can be traced. Not in the sanitized
// build, whose run-time reports crashes itself.
void InstallCrashTrace();
