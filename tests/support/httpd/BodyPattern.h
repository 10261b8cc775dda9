#pragma once
// The bytes of every body tavimo-test-httpd makes up: byte i of a body is
// i mod 251. The prime period never lines up with buffer or chunk sizes, so a
// block that a client loses, repeats or shifts shows in what it received.

#include <cstdint>

constexpr int kPatternPeriod = 251;

constexpr unsigned char PatternByte(uint64_t index) {
    return static_cast<unsigned char>(index % kPatternPeriod);
}
