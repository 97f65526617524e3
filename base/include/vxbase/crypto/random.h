// Random bytes: the operating system's source for keys and padding, and the session's
// deterministic byte generator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxbase::crypto {

// Fills the buffer from the operating system's random source; false when it cannot.
bool OsRandom(void* out, size_t length);

// Deterministic generator: block i is HMAC-SHA1 under a fixed 16-byte program key over the
// first two characters of the four-digit upper-case hexadecimal text of the counter.
// Its output is the same for every session, so nothing secret is ever drawn from it.
class ByteGenerator {
 public:
  void Reset() { counter_ = 0; }
  // Whole 20-byte blocks followed by the start of one more; the counter runs on within a draw
  // and goes back to where it was after it.
  void Draw(uint8_t* out, size_t length);

 private:
  uint16_t counter_ = 0;
};

}  // namespace vxbase::crypto
