// A packet layer whose session keys are fixed, so that fuzz inputs reach the code behind the
// check value: the helper plays the server's side of a record with the same keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scratch.h"
#include "vxbase/ee_encrypt.h"

namespace fuzz {

class FixedSession : public EE_Encrypt {
 public:
  // Keys agreed as after a key exchange: constant MAC keys, vectors and cipher keys, session id
  // "LARKSPIN", both sequence numbers 0.
  void Establish();

  // As after a client token that carried a secret: a fixed 48-byte secret and the handshake
  // hash started over a fixed client token. A server token is then awaited.
  void AwaitServerToken();

  // The finished value the client expects at the end of the server token `record` (whose
  // fields before it must be sound); false when the record is too short for one.
  bool FinishedFor(const uint8_t* record, size_t length, size_t finishedOffset, uint8_t out[20]) const;

  // A server data record around `plain` (a whole number of 16-byte blocks), enciphered and
  // sealed with the server's keys: what a sound server sends whatever the plain text holds.
  std::vector<uint8_t> Seal(const uint8_t* plain, size_t plainLength) const;

  const EE_SessionContext& ctx() const { return m_ctx; }
  EE_SessionContext& mutable_ctx() { return m_ctx; }
};

}  // namespace fuzz
