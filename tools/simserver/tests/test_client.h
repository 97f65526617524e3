// A small client for the server's tests, written from the protocol's record layouts and key
// derivation on its own (OpenSSL supplies only the primitives), so that the server's session code
// is checked against a second reading of the same rules rather than against itself.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tc {

using Bytes = std::vector<uint8_t>;

Bytes Sha1(const Bytes& data);
Bytes Hmac(const Bytes& key, const Bytes& data);
Bytes Seed(bool encipher, const Bytes& key, const Bytes& iv, const Bytes& data);  // empty on failure
Bytes FromHex(const std::string& hex);
std::string ToHex(const Bytes& b);
Bytes ReadFile(const std::string& path);
std::string Cp949(const std::string& utf8);
std::string Utf8(const std::string& cp949);

// A received packet.
struct Packet {
  Bytes bytes;  // header and body
  uint32_t length() const;
  uint16_t code() const;
  std::string status() const;  // bytes 11-12
  uint8_t enc() const { return bytes.size() > 13 ? bytes[13] : 0; }
  Bytes body() const { return bytes.size() > 15 ? Bytes(bytes.begin() + 15, bytes.end()) : Bytes(); }
};

// The client half of the session.
class Session {
 public:
  // `certificate` is the device's certificate file content (empty: none); `ca` the authority's DER.
  Session(Bytes certificate, Bytes ca);
  // The key token (record type 1) with a fresh pre-master secret.
  Bytes KeyToken();
  // Handles the server's answer to the token: 0 keys set, -100 certificate stored (send a new
  // token), -353 finished value wrong, -400 version, -700 certificate not from the authority,
  // -311 malformed.
  int OnKeyReply(const Bytes& record);
  Bytes Encode(const Bytes& data);               // a data record
  int Decode(const Bytes& record, Bytes& data);  // 0 or -311, -353, -402, -500
  const Bytes& certificate() const { return cert_; }
  const Bytes& premaster() const { return premaster_; }
  const Bytes& sessionId() const { return sid_; }
  uint32_t sendSeq = 0, recvSeq = 0;
  Bytes clientMac, serverMac, clientIv, serverIv, clientKey, serverKey;

 private:
  Bytes cert_, ca_, digest_, premaster_, handshake_, sid_;
};

class Client {
 public:
  ~Client();
  bool Connect(int port, const char* address = "127.0.0.1");
  void Close();
  bool SendRaw(const Bytes& bytes);
  // A request the way the client's packet layer builds it ('4', 1, 0, 1, 1, flag '0', '0').
  bool Send(uint16_t code, const Bytes& body, bool encipher);
  // Receives one packet (framing by the 4-byte length); false on close, time-out or bad length.
  bool Receive(Packet& p, int timeoutMs = 3000);
  // True when the server closed the connection within the time.
  bool WaitClosed(int timeoutMs = 3000);
  // Opens a received packet's body (deciphers an enciphered one); returns 0 or a session code.
  int Open(const Packet& p, Bytes& body);
  // Key exchange (taking the pushed certificate once when needed): 0 on success.
  int KeyExchange();
  // Key exchange, phone number, login; returns the login reply packet's status ("" on failure)
  // and its opened body in `reply`.
  std::string Login(const std::string& id, const std::string& password, Bytes* reply = nullptr);
  Session* session = nullptr;
  int fd = -1;
  Bytes deviceCertificate;  // certificate file of the device ("\pelvato.der"), empty = none
  Bytes ca;

 private:
  Bytes pending_;
};

std::string KeysDir();
Bytes TestCa();
Bytes TestServerCertificate();

}  // namespace tc
