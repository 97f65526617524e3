#include "fixed_session.h"

#include <cstring>

#include "vxbase/crypto/hmac.h"

using namespace vxbase::crypto;

namespace fuzz {

namespace {

void Fill(uint8_t* out, size_t n, uint8_t start) {
  for (size_t i = 0; i < n; ++i) out[i] = uint8_t(start + i * 13);
}

// The client token a fixed session is taken to have sent (34 bytes, no secret block shown).
const uint8_t kClientToken[29] = {0x02, 0x00, 0x01, 0x01, 0x01, 0x01, 0x21, 0x00, 1,  2,  3,  4,  5,  6, 7,
                                  8,    9,    10,   11,   12,   13,   14,   15,   16, 17, 18, 19, 20, 0};

}  // namespace

void FixedSession::Establish() {
  m_initialised = 1;
  Fill(m_ctx.clientMac, 20, 0x11);
  Fill(m_ctx.serverMac, 20, 0x22);
  Fill(m_ctx.clientIv, 16, 0x33);
  Fill(m_ctx.serverIv, 16, 0x44);
  Fill(m_ctx.clientKey, 16, 0x55);
  Fill(m_ctx.serverKey16, 16, 0x66);
  SeedSetKey(m_ctx.clientKey, true, m_ctx.clientSchedule);
  SeedSetKey(m_ctx.serverKey16, false, m_ctx.serverSchedule);
  std::memset(m_ctx.sessionId, 0, sizeof m_ctx.sessionId);
  std::memcpy(m_ctx.sessionId, "LARKSPIN", 8);
  m_ctx.sessionIdLength = 8;
  m_ctx.sendSeq = 0;
  m_ctx.recvSeq = 0;
  m_ctx.keysAgreed = 1;
  m_ctx.preMasterSent = 0;
}

void FixedSession::AwaitServerToken() {
  m_initialised = 1;
  Fill(m_ctx.preMaster, sizeof m_ctx.preMaster, 0x77);
  m_ctx.preMasterSent = 1;
  m_ctx.handshake.Start();
  m_ctx.handshake.Update(kClientToken, sizeof kClientToken);
}

bool FixedSession::FinishedFor(const uint8_t* record, size_t length, size_t finishedOffset, uint8_t out[20]) const {
  // The seed: R, server random, D, session id, key material (the 20 bytes before the finished value).
  if (length < 8 || finishedOffset + 20 > length) return false;
  const size_t r = record[7];
  if (8 + r + 1 > length) return false;
  const size_t d = record[8 + r];
  if (9 + r + d + 3 + 20 != finishedOffset) return false;
  std::vector<uint8_t> seed;
  seed.push_back(uint8_t(r));
  seed.insert(seed.end(), record + 8, record + 8 + r);
  seed.push_back(uint8_t(d));
  seed.insert(seed.end(), record + 9 + r, record + 9 + r + d);
  seed.insert(seed.end(), record + finishedOffset - 20, record + finishedOffset);
  uint8_t master[20], block[104], hash[20];
  HmacSha1Mac(m_ctx.preMaster, sizeof m_ctx.preMaster, seed.data(), seed.size(), master);
  KeyBlock(master, sizeof master, seed.data(), seed.size(), block, sizeof block);
  Sha1 handshake = m_ctx.handshake;
  handshake.Update(record + 5, finishedOffset - 5);
  handshake.Finish(hash);
  HmacSha1Mac(block + 20, 20, hash, sizeof hash, out);
  return true;
}

std::vector<uint8_t> FixedSession::Seal(const uint8_t* plain, size_t plainLength) const {
  const size_t s = size_t(m_ctx.sessionIdLength);
  std::vector<uint8_t> rec(8 + s + plainLength + 20);
  rec[0] = 3;
  rec[1] = 2;
  rec[2] = 0;
  const size_t tail = rec.size() - 5;
  rec[3] = uint8_t(tail >> 8);
  rec[4] = uint8_t(tail);
  rec[5] = uint8_t(s);
  std::memcpy(rec.data() + 6, m_ctx.sessionId, s);
  rec[6 + s] = uint8_t(plainLength >> 8);
  rec[7 + s] = uint8_t(plainLength);
  SeedKey enc;
  SeedSetKey(m_ctx.serverKey16, true, enc);
  if (plainLength > 0) SeedCbcEncrypt(enc, m_ctx.serverIv, plain, plainLength, rec.data() + 8 + s);
  HmacSha1Mac(m_ctx.serverMac, sizeof m_ctx.serverMac, rec.data() + 5, 3 + s + plainLength,
              rec.data() + 8 + s + plainLength);
  return rec;
}

}  // namespace fuzz
