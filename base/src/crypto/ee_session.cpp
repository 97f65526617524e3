#include "vxbase/ee_session.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "vxbase/crypto/authority.h"
#include "vxbase/crypto/hmac.h"
#include "vxbase/crypto/x509.h"

using namespace vxbase::crypto;

namespace {

constexpr uint8_t kRecordClientToken = 1;
constexpr uint8_t kRecordServerToken = 2;
constexpr uint8_t kRecordData = 3;
constexpr uint8_t kRecordDataAlt = 5;
constexpr uint8_t kRecordCertificate = 10;
constexpr uint8_t kTokenBody[8] = {0x02, 0x00, 0x01, 0x01, 0x01, 0x01, 0x21, 0x00};
constexpr uint8_t kProtocolVersion[3] = {0x01, 0x21, 0x00};
constexpr size_t kPreMasterSize = 48;
constexpr size_t kKeyBlockSize = 104;
// What is read of the certificate file; a certificate with a key of at most 2,048 bits fits.
constexpr size_t kMaxCertificateFile = 2048;

uint16_t Be16(const unsigned char* p) { return uint16_t(p[0] << 8 | p[1]); }

void PutBe16(unsigned char* p, size_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

void WriteHeader(unsigned char* out, uint8_t type, size_t total) {
  out[0] = type;
  out[1] = 2;
  out[2] = 0;
  PutBe16(out + 3, total - 5);
}

bool IsZero(const uint8_t* p, size_t n) {
  uint8_t acc = 0;
  for (size_t i = 0; i < n; ++i) acc |= p[i];
  return acc == 0;
}

// The key must carry the 48-byte secret (k >= 59) and its length must fit the token's one byte.
int UsableServerKey(const Certificate& cert, RsaPublicKey& key) {
  int r = CertificatePublicKey(cert, key);
  if (r != 0) return r == kCertKeyTooLong ? EE_CERT_KEY : EE_CERT_PARSE;
  size_t k = RsaModulusBytes(key);
  if (k > 255) return EE_CERT_KEY;
  if (k < kPreMasterSize + 11) return EE_CERT_PARSE;
  return 0;
}

// Reads up to kMaxCertificateFile bytes of the file. False when nothing could be read.
bool ReadCertificateFile(const char* path, std::vector<uint8_t>& bytes) {
  FILE* f = plat::OpenDeviceFile(path, "rb");
  if (!f) return false;
  bytes.assign(kMaxCertificateFile, 0);
  size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
  bool ok = !std::ferror(f);
  std::fclose(f);
  bytes.resize(n);
  return ok && !bytes.empty();
}

// Replaces the file: written beside it first, then renamed over it, so that a failed write
// never leaves half a certificate behind.
bool WriteCertificateFile(const char* path, const uint8_t* data, size_t length) {
  std::string host;
  if (!plat::HostPath(std::string_view(path), host)) return false;
  std::string temp = host + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, length, f) == length;
  ok = (std::fclose(f) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), host.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace

EE_Session::EE_Session() : m_initialised(0) { std::memset(static_cast<void*>(&m_ctx), 0, sizeof m_ctx); }

EE_Session::~EE_Session() { SecureWipe(&m_ctx, sizeof m_ctx); }

EE_Session::EE_Session(const EE_Session& other) = default;
EE_Session& EE_Session::operator=(const EE_Session& other) = default;

int EE_Session::init(const char* certPath, const unsigned char* /*seed*/, int /*seedLength*/) {
  if (!certPath) return EE_BAD_ARGUMENT;
  size_t pathLength = std::strlen(certPath);
  if (pathLength >= sizeof m_ctx.certPath) return EE_BAD_ARGUMENT;
  std::memset(m_ctx.certPath, 0, sizeof m_ctx.certPath);
  std::memcpy(m_ctx.certPath, certPath, pathLength);

  std::memset(m_ctx.certDigest, 0, sizeof m_ctx.certDigest);
  std::memset(&m_ctx.serverKey, 0, sizeof m_ctx.serverKey);
  std::vector<uint8_t> bytes;
  Certificate cert;
  RsaPublicKey key;
  if (ReadCertificateFile(m_ctx.certPath, bytes) && ParseCertificate(bytes.data(), bytes.size(), cert) == 0 &&
      UsableServerKey(cert, key) == 0) {
    m_ctx.serverKey = key;
    Sha1Digest(bytes.data(), bytes.size(), m_ctx.certDigest);
  }

  m_ctx.certPushes = 0;
  m_generator.Reset();
  uint8_t discard[kSha1DigestSize];
  m_generator.Draw(discard, sizeof discard);
  m_initialised = 1;
  return EE_OK;
}

int EE_Session::create_send_key(unsigned char* out, int outSize) {
  if (!out || outSize < 0) return EE_BAD_ARGUMENT;
  const bool haveCertificate = !IsZero(m_ctx.certDigest, sizeof m_ctx.certDigest);
  const size_t r = haveCertificate ? RsaModulusBytes(m_ctx.serverKey) : 0;
  const size_t total = 34 + r;
  if (size_t(outSize) < total) return EE_OVERFLOW;

  std::memcpy(out + 5, kTokenBody, sizeof kTokenBody);
  std::memcpy(out + 13, m_ctx.certDigest, sizeof m_ctx.certDigest);
  out[33] = uint8_t(r);
  m_ctx.preMasterSent = 0;
  if (haveCertificate) {
    // The secret comes from the operating system: every session must have its own keys.
    if (!OsRandom(m_ctx.preMaster, sizeof m_ctx.preMaster)) return EE_RSA_FAILED;
    int n = RsaEncryptPkcs1(m_ctx.serverKey, m_ctx.preMaster, sizeof m_ctx.preMaster, out + 34, r);
    if (n != int(r)) return EE_RSA_FAILED;
    m_ctx.preMasterSent = 1;
  }
  WriteHeader(out, kRecordClientToken, total);
  m_ctx.handshake.Start();
  m_ctx.handshake.Update(out + 5, total - 5);
  return int(total);
}

int EE_Session::analy_recv_key(const unsigned char* record, int length) {
  if (!record || length < 5) return EE_BAD_ARGUMENT;
  if (record[1] != 2) return EE_BAD_VERSION;
  const size_t end = 5 + size_t(Be16(record + 3));
  if (end > size_t(length)) return EE_BAD_ARGUMENT;

  if (record[0] == kRecordServerToken) {
    // Keys come only from a secret this client sent under the server's key.
    if (!m_ctx.preMasterSent) return EE_BAD_ARGUMENT;
    size_t p = 5;
    if (end < p + 3) return EE_BAD_ARGUMENT;
    if (record[5] != 2) return EE_BAD_VERSION;
    const size_t randomLength = record[7];
    p = 8;
    if (end < p + randomLength + 1) return EE_BAD_ARGUMENT;
    const unsigned char* serverRandom = record + p;
    p += randomLength;
    const size_t idLength = record[p++];
    if (idLength > sizeof m_ctx.sessionId || end < p + idLength + 3) return EE_BAD_ARGUMENT;
    const unsigned char* sessionId = record + p;
    p += idLength;
    if (std::memcmp(record + p, kProtocolVersion, sizeof kProtocolVersion) != 0) return EE_BAD_VERSION;
    const uint8_t protocolMinor = record[p + 2];
    p += 3;
    if (end < p + 2 * kSha1DigestSize) return EE_BAD_ARGUMENT;
    const unsigned char* keyMaterial = record + p;
    p += kSha1DigestSize;
    const unsigned char* finished = record + p;

    // seed = R, server random, D, session id, key material
    uint8_t seed[1 + 255 + 1 + 20 + 20];
    size_t seedLength = 0;
    seed[seedLength++] = uint8_t(randomLength);
    std::memcpy(seed + seedLength, serverRandom, randomLength);
    seedLength += randomLength;
    seed[seedLength++] = uint8_t(idLength);
    std::memcpy(seed + seedLength, sessionId, idLength);
    seedLength += idLength;
    std::memcpy(seed + seedLength, keyMaterial, kSha1DigestSize);
    seedLength += kSha1DigestSize;

    uint8_t master[kSha1DigestSize], block[kKeyBlockSize], hash[kSha1DigestSize], expected[kSha1DigestSize];
    HmacSha1Mac(m_ctx.preMaster, sizeof m_ctx.preMaster, seed, seedLength, master);
    KeyBlock(master, sizeof master, seed, seedLength, block, sizeof block);
    Sha1 handshake = m_ctx.handshake;
    handshake.Update(record + 5, size_t(finished - (record + 5)));
    handshake.Finish(hash);
    HmacSha1Mac(block + 20, 20, hash, sizeof hash, expected);
    const bool match = EqualConstantTime(expected, finished, kSha1DigestSize);
    if (match) {
      // Keys change only when the server has proved it holds the same secret.
      std::memcpy(m_ctx.clientMac, block, 20);
      std::memcpy(m_ctx.serverMac, block + 20, 20);
      std::memcpy(m_ctx.clientIv, block + 40, 16);
      std::memcpy(m_ctx.serverIv, block + 56, 16);
      std::memcpy(m_ctx.clientKey, block + 72, 16);
      std::memcpy(m_ctx.serverKey16, block + 88, 16);
      SeedSetKey(m_ctx.clientKey, true, m_ctx.clientSchedule);
      SeedSetKey(m_ctx.serverKey16, false, m_ctx.serverSchedule);
      HmacSha1SetKey(m_ctx.clientMacKey, m_ctx.clientMac, sizeof m_ctx.clientMac);
      HmacSha1SetKey(m_ctx.serverMacKey, m_ctx.serverMac, sizeof m_ctx.serverMac);
      std::memset(m_ctx.sessionId, 0, sizeof m_ctx.sessionId);
      std::memcpy(m_ctx.sessionId, sessionId, idLength);
      m_ctx.sessionIdLength = int(idLength);
      m_ctx.protocolMinor = protocolMinor;
      m_ctx.sendSeq = 0;
      m_ctx.recvSeq = 0;
      m_ctx.keysAgreed = 1;
      m_ctx.handshake = handshake;
      m_ctx.preMasterSent = 0;
      SecureWipe(m_ctx.preMaster, sizeof m_ctx.preMaster);
    }
    SecureWipe(seed, sizeof seed);
    SecureWipe(master, sizeof master);
    SecureWipe(block, sizeof block);
    return match ? EE_OK : EE_TAMPERED;
  }

  if (record[0] == kRecordCertificate) {
    // One push per key exchange: a server that pushes again after the new token would keep
    // the client going round.
    if (m_ctx.certPushes > 0) return EE_BAD_SERVER_CERT;
    if (end < 6) return EE_BAD_ARGUMENT;
    const size_t skip = record[5];
    const size_t p = 6 + skip;
    if (end < p + 3 || record[p] != 1) return EE_BAD_ARGUMENT;
    const size_t certLength = Be16(record + p + 1);
    if (certLength == 0 || end < p + 3 + certLength) return EE_BAD_ARGUMENT;
    const unsigned char* der = record + p + 3;

    Certificate cert;
    int r = VerifyCertificate(der, certLength, &cert);
    if (r == kCertMissingInput) return EE_CERT_PARSE;
    if (r == kCertKeyTooLong) return EE_CERT_KEY;
    if (r != 0) return EE_CERT_SIGNATURE;
    RsaPublicKey key;
    r = UsableServerKey(cert, key);
    if (r != 0) return r;
    uint8_t digest[kSha1DigestSize];
    Sha1Digest(der, certLength, digest);
    // Also the certificate already held is stored again: the server may push whenever it likes.
    if (!WriteCertificateFile(m_ctx.certPath, der, certLength)) return EE_NO_SERVER_CERT;
    std::memcpy(m_ctx.certDigest, digest, sizeof digest);
    m_ctx.serverKey = key;
    m_ctx.certPushes = 1;
    return EE_RESEND_KEY;
  }
  return EE_BAD_ARGUMENT;
}

int EE_Session::encode_data(unsigned char* out, int outSize, const unsigned char* data, int length) {
  if (!out || !data || length < 0 || outSize < 0) return EE_BAD_ARGUMENT;
  if (!m_ctx.keysAgreed) return EE_NO_SESSION_KEY;
  const size_t s = size_t(m_ctx.sessionIdLength);
  const size_t L = size_t(length);
  const size_t p = (16 - (L + 7) % 16) % 16;
  const size_t e = L + 7 + p;  // plain text and ciphertext length
  // The data length and the ciphertext length travel in 16 bits, the record length as well.
  if (28 + s + e > 0xFFFF + 5) return EE_BAD_ARGUMENT;
  if (p + s + L + 35 > size_t(outSize)) return EE_OVERFLOW;

  out[5] = uint8_t(s);
  std::memcpy(out + 6, m_ctx.sessionId, s);
  PutBe16(out + 6 + s, e);
  unsigned char* plain = out + 8 + s;
  const uint32_t seq = ++m_ctx.sendSeq;
  plain[0] = uint8_t(seq >> 24);
  plain[1] = uint8_t(seq >> 16);
  plain[2] = uint8_t(seq >> 8);
  plain[3] = uint8_t(seq);
  PutBe16(plain + 4, L);
  std::memmove(plain + 6, data, L);
  std::memset(plain + 6 + L, int(p), p + 1);
  // Every record starts from the same vector.
  if (SeedCbcEncrypt(m_ctx.clientSchedule, m_ctx.clientIv, plain, e, plain) < 1) return EE_ENCRYPT_FAILED;
  HmacSha1Mac(m_ctx.clientMacKey, out + 5, 3 + s + e, plain + e);
  const size_t total = 28 + s + e;
  WriteHeader(out, kRecordData, total);
  return int(total);
}

int EE_Session::decode_data(unsigned char* out, int outSize, const unsigned char* record, int length) {
  if (!out || !record || length < 5 || outSize < 0) return EE_BAD_ARGUMENT;
  if ((record[0] != kRecordData && record[0] != kRecordDataAlt) || record[1] != 2) return EE_BAD_ARGUMENT;
  const size_t end = 5 + size_t(Be16(record + 3));
  if (end > size_t(length) || end < 6) return EE_BAD_ARGUMENT;
  if (!m_ctx.keysAgreed) return EE_NO_SESSION_KEY;

  const size_t s = record[5];
  if (s > sizeof m_ctx.sessionId || end < 8 + s) return EE_BAD_ARGUMENT;
  if (int(s) != m_ctx.sessionIdLength || std::memcmp(record + 6, m_ctx.sessionId, s) != 0) return EE_BAD_SESSION_ID;
  const size_t e = Be16(record + 6 + s);
  if (e == 0 || e % kSeedBlockSize != 0 || 8 + s + e + kSha1DigestSize != end) return EE_BAD_ARGUMENT;
  const unsigned char* cipher = record + 8 + s;

  uint8_t mac[kSha1DigestSize];
  HmacSha1Mac(m_ctx.serverMacKey, record + 5, 3 + s + e, mac);
  if (!EqualConstantTime(mac, cipher + e, kSha1DigestSize)) return EE_TAMPERED;

  // The first block holds the sequence number and the length, the last two the padding:
  // check them all before any data is written.
  uint8_t head[kSeedBlockSize], tail[2 * kSeedBlockSize];
  if (SeedCbcDecrypt(m_ctx.serverSchedule, m_ctx.serverIv, cipher, kSeedBlockSize, head) < 1) return EE_DECRYPT_FAILED;
  const size_t tailLength = e >= 2 * kSeedBlockSize ? 2 * kSeedBlockSize : kSeedBlockSize;
  const uint8_t* tailIv = e > tailLength ? cipher + e - tailLength - kSeedBlockSize : m_ctx.serverIv;
  if (SeedCbcDecrypt(m_ctx.serverSchedule, tailIv, cipher + e - tailLength, tailLength, tail) < 1)
    return EE_DECRYPT_FAILED;
  const size_t pad = tail[tailLength - 1];
  if (pad >= kSeedBlockSize) return EE_BAD_ARGUMENT;
  for (size_t i = 0; i <= pad; ++i)
    if (tail[tailLength - 1 - i] != pad) return EE_BAD_ARGUMENT;
  if (e < pad + 7) return EE_BAD_ARGUMENT;
  const size_t dataLength = e - pad - 7;
  if (Be16(head + 4) != dataLength) return EE_BAD_ARGUMENT;
  const uint32_t seq = uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 | uint32_t(head[2]) << 8 | head[3];
  if (seq <= m_ctx.recvSeq) return EE_REPLAY;
  if (dataLength > size_t(outSize)) return EE_OVERFLOW;

  // Decipher in pieces through a small buffer and copy the data bytes (plain offset 6 on).
  uint8_t chunk[256];
  const uint8_t* iv = m_ctx.serverIv;
  for (size_t pos = 0; pos < e; pos += sizeof chunk) {
    const size_t n = e - pos < sizeof chunk ? e - pos : sizeof chunk;
    if (SeedCbcDecrypt(m_ctx.serverSchedule, iv, cipher + pos, n, chunk) < 1) {
      SecureWipe(chunk, sizeof chunk);
      return EE_DECRYPT_FAILED;
    }
    iv = cipher + pos + n - kSeedBlockSize;
    const size_t from = pos < 6 ? 6 : pos;  // plain offsets of data in this piece
    const size_t to = pos + n < 6 + dataLength ? pos + n : 6 + dataLength;
    if (to > from) std::memcpy(out + (from - 6), chunk + (from - pos), to - from);
  }
  SecureWipe(chunk, sizeof chunk);
  SecureWipe(head, sizeof head);
  SecureWipe(tail, sizeof tail);
  m_ctx.recvSeq = seq;
  return int(dataLength);
}
