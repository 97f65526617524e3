// The server side of the secure session: key exchange (transaction 1000) and data records.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "crypto.h"

namespace simsrv {

using crypto::Bytes;

// Result codes, numbered as the client numbers them so that logs of both sides read alike.
enum SessionCode : int {
  kSessionOk = 0,
  kBadRecord = -311,
  kOverflow = -315,
  kRsaFailed = -334,
  kNoSession = -350,
  kEncipherFailed = -351,
  kDecipherFailed = -352,
  kTampered = -353,
  kBadVersion = -400,
  kBadSessionId = -402,
  kReplay = -500,
};
const char* SessionCodeName(int code);

// Record types of the session.
enum RecordType : uint8_t { kClientToken = 1, kServerToken = 2, kDataRecord = 3, kCertificate = 10 };

// The server's identity: its private key and its certificate (DER) with the certificate's SHA-1.
struct ServerIdentity {
  crypto::RsaPrivateKey key;
  Bytes certificate;
  crypto::Digest certificateDigest{};
  // Loads test_server_key.pem and test_server.der from `dir`.
  bool Load(const std::string& dir, std::string& error);
};

// Random bytes: from the operating system, or (seed != 0) a repeatable stream for tests.
class Random {
 public:
  explicit Random(uint64_t seed = 0) : seed_(seed) {}
  void Fill(uint8_t* out, size_t size);

 private:
  std::mutex mu_;
  uint64_t seed_;
  uint64_t counter_ = 0;
};

// Deliberate flaws for fault injection on one enciphered reply.
struct RecordTweak {
  bool reuseSequence = false;   // send with the last sequence number again (a replay)
  bool wrongSessionId = false;  // flip a byte of the session id (check value stays right)
  bool tamperMac = false;       // flip a byte of the check value
};

class ServerSession {
 public:
  enum class KeyResult { Token, Certificate, Error };

  // Handles a client key token (the body of request 1000). On Token the session keys are set and
  // `out` holds the server key token; on Certificate `out` holds the certificate record (the client
  // has no certificate or an unknown one, and repeats the exchange); on Error `error` says why.
  KeyResult HandleClientToken(const uint8_t* token, size_t size, const ServerIdentity& id, Random& rng, Bytes& out,
                              int& error);

  bool Established() const { return established_; }
  // Opens a client data record into `out`; returns 0 or a negative SessionCode.
  int Decode(const uint8_t* record, size_t size, Bytes& out);
  // Seals `data` as one server data record; returns 0 or a negative SessionCode.
  int Encode(const uint8_t* data, size_t size, Bytes& out, const RecordTweak& tweak = {});

  const Bytes& SessionId() const { return sessionId_; }
  uint32_t SendSequence() const { return sendSeq_; }
  uint32_t HighestReceived() const { return recvSeq_; }

  // Builds the certificate record (type 10) that carries `certificate`.
  static Bytes CertificateRecord(const Bytes& certificate);

 private:
  bool established_ = false;
  Bytes sessionId_;
  uint8_t clientMac_[20]{}, serverMac_[20]{}, clientIv_[16]{}, serverIv_[16]{}, clientKey_[16]{}, serverKey_[16]{};
  uint32_t sendSeq_ = 0, recvSeq_ = 0;
};

}  // namespace simsrv
