#include "session.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cstring>

namespace simsrv {

namespace {

const uint8_t kTokenHead[8] = {0x02, 0x00, 0x01, 0x01, 0x01, 0x01, 0x21, 0x00};
const uint8_t kProtocolVersion[3] = {0x01, 0x21, 0x00};
constexpr size_t kServerRandomSize = 32;
constexpr size_t kSessionIdSize = 16;

void PutRecordHeader(Bytes& rec, uint8_t type) {
  size_t len = rec.size() - 5;
  rec[0] = type;
  rec[1] = 0x02;
  rec[2] = 0x00;
  rec[3] = static_cast<uint8_t>(len >> 8);
  rec[4] = static_cast<uint8_t>(len);
}

}  // namespace

const char* SessionCodeName(int code) {
  switch (code) {
    case kSessionOk: return "ok";
    case kBadRecord: return "malformed record";
    case kOverflow: return "record too long";
    case kRsaFailed: return "pre-master secret not deciphered";
    case kNoSession: return "no session keys";
    case kEncipherFailed: return "encipher failed";
    case kDecipherFailed: return "decipher failed";
    case kTampered: return "check value mismatch";
    case kBadVersion: return "version mismatch";
    case kBadSessionId: return "wrong session id";
    case kReplay: return "replayed sequence number";
    default: return "unknown";
  }
}

bool ServerIdentity::Load(const std::string& dir, std::string& error) {
  if (!key.LoadPem(dir + "/test_server_key.pem", error)) return false;
  if (!crypto::ReadFile(dir + "/test_server.der", certificate) || certificate.empty()) {
    error = "cannot read " + dir + "/test_server.der";
    return false;
  }
  certificateDigest = crypto::Sha1(certificate);
  return true;
}

void Random::Fill(uint8_t* out, size_t size) {
  if (seed_ == 0) {
    RAND_bytes(out, static_cast<int>(size));
    return;
  }
  std::lock_guard<std::mutex> lock(mu_);
  size_t done = 0;
  while (done < size) {
    uint8_t in[16];
    for (int i = 0; i < 8; ++i) in[i] = static_cast<uint8_t>(seed_ >> (8 * i));
    for (int i = 0; i < 8; ++i) in[8 + i] = static_cast<uint8_t>(counter_ >> (8 * i));
    ++counter_;
    crypto::Digest d = crypto::Sha1(in, sizeof in);
    size_t n = std::min(size - done, d.size());
    std::memcpy(out + done, d.data(), n);
    done += n;
  }
}

Bytes ServerSession::CertificateRecord(const Bytes& certificate) {
  // 5-byte header, k = 0 skipped bytes, the constant 1, the certificate's length and bytes.
  Bytes rec(5 + 4 + certificate.size());
  rec[5] = 0;
  rec[6] = 1;
  rec[7] = static_cast<uint8_t>(certificate.size() >> 8);
  rec[8] = static_cast<uint8_t>(certificate.size());
  std::copy(certificate.begin(), certificate.end(), rec.begin() + 9);
  PutRecordHeader(rec, kCertificate);
  return rec;
}

ServerSession::KeyResult ServerSession::HandleClientToken(const uint8_t* token, size_t size, const ServerIdentity& id,
                                                          Random& rng, Bytes& out, int& error) {
  out.clear();
  error = kSessionOk;
  if (!token || size < 34) {
    error = kBadRecord;
    return KeyResult::Error;
  }
  if (token[0] != kClientToken) {
    error = kBadRecord;
    return KeyResult::Error;
  }
  if (token[1] != 0x02 || token[2] != 0x00) {
    error = kBadVersion;
    return KeyResult::Error;
  }
  size_t declared = (static_cast<size_t>(token[3]) << 8) | token[4];
  size_t r = token[33];
  if (declared + 5 > size || declared + 5 != 34 + r) {
    error = kBadRecord;
    return KeyResult::Error;
  }
  if (std::memcmp(token + 5, kTokenHead, sizeof kTokenHead) != 0) {
    error = kBadVersion;
    return KeyResult::Error;
  }
  const uint8_t* digest = token + 13;
  // A client without our certificate (zero digest, another certificate, or no secret) gets the
  // certificate first and repeats the exchange with it.
  if (r == 0 || std::memcmp(digest, id.certificateDigest.data(), 20) != 0) {
    out = CertificateRecord(id.certificate);
    return KeyResult::Certificate;
  }
  Bytes premaster;
  if (!id.key.Decipher(token + 34, r, premaster) || premaster.size() != 48) {
    error = kRsaFailed;
    return KeyResult::Error;
  }

  uint8_t random[kServerRandomSize];
  uint8_t sid[kSessionIdSize];
  uint8_t keyMaterial[20];
  rng.Fill(random, sizeof random);
  rng.Fill(sid, sizeof sid);
  rng.Fill(keyMaterial, sizeof keyMaterial);

  // Server token: 2, 0, R, random, D, session id, protocol version, key material, finished value.
  Bytes rec;
  rec.reserve(128);
  rec.resize(5);
  rec.push_back(2);
  rec.push_back(0);
  rec.push_back(static_cast<uint8_t>(sizeof random));
  rec.insert(rec.end(), random, random + sizeof random);
  rec.push_back(static_cast<uint8_t>(sizeof sid));
  rec.insert(rec.end(), sid, sid + sizeof sid);
  rec.insert(rec.end(), kProtocolVersion, kProtocolVersion + 3);
  rec.insert(rec.end(), keyMaterial, keyMaterial + sizeof keyMaterial);

  Bytes seed;
  seed.push_back(static_cast<uint8_t>(sizeof random));
  seed.insert(seed.end(), random, random + sizeof random);
  seed.push_back(static_cast<uint8_t>(sizeof sid));
  seed.insert(seed.end(), sid, sid + sizeof sid);
  seed.insert(seed.end(), keyMaterial, keyMaterial + sizeof keyMaterial);

  crypto::Digest master = crypto::HmacSha1(premaster.data(), premaster.size(), seed.data(), seed.size());
  Bytes block = crypto::PSha1(master.data(), master.size(), seed, 104);
  std::memcpy(clientMac_, &block[0], 20);
  std::memcpy(serverMac_, &block[20], 20);
  std::memcpy(clientIv_, &block[40], 16);
  std::memcpy(serverIv_, &block[56], 16);
  std::memcpy(clientKey_, &block[72], 16);
  std::memcpy(serverKey_, &block[88], 16);
  std::fill(premaster.begin(), premaster.end(), 0);
  std::fill(block.begin(), block.end(), 0);

  // Handshake hash: the client token from byte 5, then ours from byte 5 through the key material.
  Bytes hs(token + 5, token + declared + 5);
  hs.insert(hs.end(), rec.begin() + 5, rec.end());
  crypto::Digest hash = crypto::Sha1(hs);
  crypto::Digest finished = crypto::HmacSha1(serverMac_, 20, hash.data(), hash.size());
  rec.insert(rec.end(), finished.begin(), finished.end());
  PutRecordHeader(rec, kServerToken);

  sessionId_.assign(sid, sid + sizeof sid);
  sendSeq_ = 0;
  recvSeq_ = 0;
  established_ = true;
  out = std::move(rec);
  return KeyResult::Token;
}

int ServerSession::Decode(const uint8_t* record, size_t size, Bytes& out) {
  out.clear();
  if (!established_) return kNoSession;
  if (!record || size < 5 + 1 + 2 + 20) return kBadRecord;
  if ((record[0] != kDataRecord && record[0] != 5) || record[1] != 0x02) return kBadRecord;
  size_t declared = (static_cast<size_t>(record[3]) << 8) | record[4];
  if (declared + 5 > size) return kBadRecord;
  size = declared + 5;
  size_t s = record[5];
  if (s != sessionId_.size() || 6 + s + 2 > size || std::memcmp(record + 6, sessionId_.data(), s) != 0)
    return kBadSessionId;
  size_t e = (static_cast<size_t>(record[6 + s]) << 8) | record[7 + s];
  if (8 + s + e + 20 != size) return kBadRecord;
  crypto::Digest mac = crypto::HmacSha1(clientMac_, 20, record + 5, 3 + s + e);
  if (std::memcmp(mac.data(), record + size - 20, 20) != 0) return kTampered;
  Bytes plain;
  if (!crypto::SeedCbc(false, clientKey_, clientIv_, record + 8 + s, e, plain) || plain.empty()) return kDecipherFailed;
  // Padding: p + 1 bytes of value p (p below 16); the length field must agree with what is left.
  size_t p = plain.back();
  if (p >= 16 || plain.size() < 7 + p) return kBadRecord;
  for (size_t i = plain.size() - p - 1; i < plain.size(); ++i)
    if (plain[i] != p) return kBadRecord;
  size_t dataLen = plain.size() - p - 7;
  size_t field = (static_cast<size_t>(plain[4]) << 8) | plain[5];
  if (field != dataLen) return kBadRecord;
  uint32_t seq = (static_cast<uint32_t>(plain[0]) << 24) | (static_cast<uint32_t>(plain[1]) << 16) |
                 (static_cast<uint32_t>(plain[2]) << 8) | plain[3];
  if (seq <= recvSeq_) return kReplay;
  recvSeq_ = seq;
  out.assign(plain.begin() + 6, plain.begin() + 6 + static_cast<long>(dataLen));
  std::fill(plain.begin(), plain.end(), 0);
  return kSessionOk;
}

int ServerSession::Encode(const uint8_t* data, size_t size, Bytes& out, const RecordTweak& tweak) {
  out.clear();
  if (!established_) return kNoSession;
  if ((!data && size) || size > 0xFFFF) return kBadRecord;
  uint32_t seq = tweak.reuseSequence ? sendSeq_ : ++sendSeq_;
  size_t p = (16 - (size + 7) % 16) % 16;
  Bytes plain;
  plain.reserve(size + 7 + p);
  plain.push_back(static_cast<uint8_t>(seq >> 24));
  plain.push_back(static_cast<uint8_t>(seq >> 16));
  plain.push_back(static_cast<uint8_t>(seq >> 8));
  plain.push_back(static_cast<uint8_t>(seq));
  plain.push_back(static_cast<uint8_t>(size >> 8));
  plain.push_back(static_cast<uint8_t>(size));
  if (size) plain.insert(plain.end(), data, data + size);
  plain.insert(plain.end(), p + 1, static_cast<uint8_t>(p));
  Bytes cipher;
  if (!crypto::SeedCbc(true, serverKey_, serverIv_, plain.data(), plain.size(), cipher) || cipher.empty())
    return kEncipherFailed;
  size_t s = sessionId_.size();
  Bytes rec;
  rec.reserve(5 + 1 + s + 2 + cipher.size() + 20);
  rec.resize(5);
  rec.push_back(static_cast<uint8_t>(s));
  rec.insert(rec.end(), sessionId_.begin(), sessionId_.end());
  if (tweak.wrongSessionId && s > 0) rec[6] ^= 0xFF;
  rec.push_back(static_cast<uint8_t>(cipher.size() >> 8));
  rec.push_back(static_cast<uint8_t>(cipher.size()));
  rec.insert(rec.end(), cipher.begin(), cipher.end());
  crypto::Digest mac = crypto::HmacSha1(serverMac_, 20, rec.data() + 5, rec.size() - 5);
  if (tweak.tamperMac) mac[0] ^= 0x01;
  rec.insert(rec.end(), mac.begin(), mac.end());
  PutRecordHeader(rec, kDataRecord);
  out = std::move(rec);
  return kSessionOk;
}

}  // namespace simsrv
