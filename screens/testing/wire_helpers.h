// Building reply records in tests: wire numbers, 16-bit numbers and code page 949 texts.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "plat/windows.h"

namespace screentest {

// A wire number of `groups` big-endian signed 16-bit groups in base 10,000.
inline void PutNet(uint8_t* p, int groups, int64_t value) {
    bool negative = value < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    for (int i = groups - 1; i >= 0; --i) {
        int g = static_cast<int>(v % 10000);
        v /= 10000;
        int16_t s = static_cast<int16_t>(negative ? -g : g);
        p[2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8);
        p[2 * i + 1] = static_cast<uint8_t>(s & 0xFF);
    }
}
inline void PutU16(uint8_t* p, int value) {
    p[0] = static_cast<uint8_t>((value >> 8) & 0xFF);
    p[1] = static_cast<uint8_t>(value & 0xFF);
}
// Text in code page 949, not terminated.
inline void PutText(uint8_t* p, const std::u16string& text) {
    char buf[256] = {};
    int n = WideCharToMultiByte(949, 0, text.c_str(), static_cast<int>(text.size()), buf, sizeof buf, nullptr, nullptr);
    std::memcpy(p, buf, static_cast<size_t>(n > 0 ? n : 0));
}

}  // namespace screentest
