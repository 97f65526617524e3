#include "test_client.h"

#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tc {

std::string KeysDir() { return SIMSERVER_KEYS_DIR; }
Bytes TestCa() { return ReadFile(KeysDir() + "/test_ca.der"); }
Bytes TestServerCertificate() { return ReadFile(KeysDir() + "/test_server.der"); }

Bytes Sha1(const Bytes& data) {
  Bytes d(20);
  SHA1(data.data(), data.size(), d.data());
  return d;
}

Bytes Hmac(const Bytes& key, const Bytes& data) {
  Bytes d(20);
  unsigned len = 0;
  HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), data.data(), data.size(), d.data(), &len);
  return d;
}

Bytes Seed(bool encipher, const Bytes& key, const Bytes& iv, const Bytes& data) {
  // SEED from the legacy provider, in a library context of the test's own.
  static OSSL_LIB_CTX* ctx = nullptr;
  static OSSL_PROVIDER* legacy = nullptr;
  static OSSL_PROVIDER* def = nullptr;
  static bool loaded = [] {
    ctx = OSSL_LIB_CTX_new();
    legacy = OSSL_PROVIDER_load(ctx, "legacy");
    def = OSSL_PROVIDER_load(ctx, "default");
    std::atexit([] {
      OSSL_PROVIDER_unload(legacy);
      OSSL_PROVIDER_unload(def);
      OSSL_LIB_CTX_free(ctx);
    });
    return true;
  }();
  (void)loaded;
  if (data.empty() || data.size() % 16) return {};
  EVP_CIPHER* c = EVP_CIPHER_fetch(ctx, "SEED-CBC", nullptr);
  EVP_CIPHER_CTX* cc = EVP_CIPHER_CTX_new();
  Bytes out(data.size() + 16);
  int n1 = 0, n2 = 0;
  bool ok = c && EVP_CipherInit_ex2(cc, c, key.data(), iv.data(), encipher, nullptr) &&
            EVP_CIPHER_CTX_set_padding(cc, 0) &&
            EVP_CipherUpdate(cc, out.data(), &n1, data.data(), static_cast<int>(data.size())) &&
            EVP_CipherFinal_ex(cc, out.data() + n1, &n2);
  EVP_CIPHER_CTX_free(cc);
  EVP_CIPHER_free(c);
  if (!ok) return {};
  out.resize(static_cast<size_t>(n1 + n2));
  return out;
}

Bytes FromHex(const std::string& hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    if (hex[i] == ' ') {
      --i;
      continue;
    }
    b.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return b;
}

std::string ToHex(const Bytes& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t x : b) s += d[x >> 4], s += d[x & 15];
  return s;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

static std::string Iconv(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t sl = in.size(), dl = out.size();
  iconv(cd, &src, &sl, &dst, &dl);
  iconv_close(cd);
  out.resize(out.size() - dl);
  return out;
}
std::string Cp949(const std::string& utf8) { return Iconv("CP949", "UTF-8", utf8); }
std::string Utf8(const std::string& cp949) { return Iconv("UTF-8", "CP949", cp949); }

uint32_t Packet::length() const {
  return bytes.size() < 4
             ? 0
             : (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}
uint16_t Packet::code() const { return bytes.size() < 6 ? 0 : static_cast<uint16_t>((bytes[4] << 8) | bytes[5]); }
std::string Packet::status() const {
  return bytes.size() < 13 ? "" : std::string(reinterpret_cast<const char*>(&bytes[11]), 2);
}

// ------------------------------------------------------------------------------------------------

Session::Session(Bytes certificate, Bytes ca) : cert_(std::move(certificate)), ca_(std::move(ca)) {
  digest_ = cert_.empty() ? Bytes(20, 0) : Sha1(cert_);
}

Bytes Session::KeyToken() {
  Bytes rec = {1, 2, 0, 0, 0, 0x02, 0x00, 0x01, 0x01, 0x01, 0x01, 0x21, 0x00};
  rec.insert(rec.end(), digest_.begin(), digest_.end());
  Bytes block;
  if (!cert_.empty()) {
    premaster_.assign(48, 0);
    RAND_bytes(premaster_.data(), 48);
    const uint8_t* p = cert_.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(cert_.size()));
    EVP_PKEY* key = x ? X509_get_pubkey(x) : nullptr;
    EVP_PKEY_CTX* ctx = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    size_t len = 0;
    if (ctx && EVP_PKEY_encrypt_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, 1 /*PKCS1*/) == 1 &&
        EVP_PKEY_encrypt(ctx, nullptr, &len, premaster_.data(), 48) == 1) {
      block.resize(len);
      EVP_PKEY_encrypt(ctx, block.data(), &len, premaster_.data(), 48);
      block.resize(len);
    }
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(key);
    X509_free(x);
  }
  rec.push_back(static_cast<uint8_t>(block.size()));
  rec.insert(rec.end(), block.begin(), block.end());
  rec[3] = static_cast<uint8_t>((rec.size() - 5) >> 8);
  rec[4] = static_cast<uint8_t>(rec.size() - 5);
  handshake_.assign(rec.begin() + 5, rec.end());
  return rec;
}

int Session::OnKeyReply(const Bytes& r) {
  if (r.size() < 5) return -311;
  if (r[1] != 2) return -400;
  size_t declared = (size_t(r[3]) << 8) | r[4];
  if (declared + 5 > r.size()) return -311;
  if (r[0] == 10) {
    size_t k = r[5];
    if (9 + k > r.size() || r[6 + k] != 1) return -311;
    size_t c = (size_t(r[7 + k]) << 8) | r[8 + k];
    if (9 + k + c > r.size()) return -311;
    Bytes cert(r.begin() + 9 + static_cast<long>(k), r.begin() + 9 + static_cast<long>(k + c));
    // The certificate must be signed by the authority and name it as its issuer.
    const uint8_t* p = cert.data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
    const uint8_t* q = ca_.data();
    X509* ca = d2i_X509(nullptr, &q, static_cast<long>(ca_.size()));
    EVP_PKEY* caKey = ca ? X509_get_pubkey(ca) : nullptr;
    bool ok = x && caKey && X509_verify(x, caKey) == 1 &&
              X509_NAME_cmp(X509_get_issuer_name(x), X509_get_subject_name(ca)) == 0;
    EVP_PKEY_free(caKey);
    X509_free(ca);
    X509_free(x);
    if (!ok) return -700;
    cert_ = cert;
    digest_ = Sha1(cert_);
    return -100;
  }
  if (r[0] != 2) return -311;
  if (r[5] != 2) return -400;
  size_t R = r[7];
  size_t at = 8;
  if (at + R + 1 > r.size()) return -311;
  Bytes random(r.begin() + static_cast<long>(at), r.begin() + static_cast<long>(at + R));
  at += R;
  size_t D = r[at++];
  if (at + D + 3 + 20 + 20 > r.size()) return -311;
  sid_.assign(r.begin() + static_cast<long>(at), r.begin() + static_cast<long>(at + D));
  at += D;
  if (r[at] != 0x01 || r[at + 1] != 0x21 || r[at + 2] != 0x00) return -400;
  at += 3;
  Bytes km(r.begin() + static_cast<long>(at), r.begin() + static_cast<long>(at + 20));
  at += 20;
  handshake_.insert(handshake_.end(), r.begin() + 5, r.begin() + static_cast<long>(at));
  Bytes finished(r.begin() + static_cast<long>(at), r.begin() + static_cast<long>(at + 20));

  Bytes seed;
  seed.push_back(static_cast<uint8_t>(R));
  seed.insert(seed.end(), random.begin(), random.end());
  seed.push_back(static_cast<uint8_t>(D));
  seed.insert(seed.end(), sid_.begin(), sid_.end());
  seed.insert(seed.end(), km.begin(), km.end());
  Bytes master = Hmac(premaster_, seed);
  // Key block: A(1) = H(seed), A(i+1) = H(A(i)); output H(A(1) + seed) H(A(2) + seed) ...
  Bytes block, a = Hmac(master, seed);
  while (block.size() < 104) {
    Bytes in = a;
    in.insert(in.end(), seed.begin(), seed.end());
    Bytes h = Hmac(master, in);
    block.insert(block.end(), h.begin(), h.end());
    a = Hmac(master, a);
  }
  auto part = [&](size_t from, size_t n) {
    return Bytes(block.begin() + static_cast<long>(from), block.begin() + static_cast<long>(from + n));
  };
  clientMac = part(0, 20);
  serverMac = part(20, 20);
  clientIv = part(40, 16);
  serverIv = part(56, 16);
  clientKey = part(72, 16);
  serverKey = part(88, 16);
  sendSeq = recvSeq = 0;
  if (Hmac(serverMac, Sha1(handshake_)) != finished) return -353;
  return 0;
}

Bytes Session::Encode(const Bytes& data) {
  ++sendSeq;
  size_t p = (16 - (data.size() + 7) % 16) % 16;
  Bytes plain = {uint8_t(sendSeq >> 24), uint8_t(sendSeq >> 16),    uint8_t(sendSeq >> 8),
                 uint8_t(sendSeq),       uint8_t(data.size() >> 8), uint8_t(data.size())};
  plain.insert(plain.end(), data.begin(), data.end());
  plain.insert(plain.end(), p + 1, static_cast<uint8_t>(p));
  Bytes cipher = Seed(true, clientKey, clientIv, plain);
  Bytes rec = {3, 2, 0, 0, 0, static_cast<uint8_t>(sid_.size())};
  rec.insert(rec.end(), sid_.begin(), sid_.end());
  rec.push_back(static_cast<uint8_t>(cipher.size() >> 8));
  rec.push_back(static_cast<uint8_t>(cipher.size()));
  rec.insert(rec.end(), cipher.begin(), cipher.end());
  Bytes mac = Hmac(clientMac, Bytes(rec.begin() + 5, rec.end()));
  rec.insert(rec.end(), mac.begin(), mac.end());
  rec[3] = static_cast<uint8_t>((rec.size() - 5) >> 8);
  rec[4] = static_cast<uint8_t>(rec.size() - 5);
  return rec;
}

int Session::Decode(const Bytes& r, Bytes& data) {
  if (r.size() < 28 || (r[0] != 3 && r[0] != 5) || r[1] != 2) return -311;
  size_t declared = (size_t(r[3]) << 8) | r[4];
  if (declared + 5 > r.size()) return -311;
  size_t s = r[5];
  if (s != sid_.size() || !std::equal(sid_.begin(), sid_.end(), r.begin() + 6)) return -402;
  size_t e = (size_t(r[6 + s]) << 8) | r[7 + s];
  size_t size = declared + 5;
  if (8 + s + e + 20 != size) return -311;
  Bytes mac = Hmac(serverMac, Bytes(r.begin() + 5, r.begin() + static_cast<long>(size - 20)));
  if (!std::equal(mac.begin(), mac.end(), r.begin() + static_cast<long>(size - 20))) return -353;
  Bytes plain = Seed(false, serverKey, serverIv,
                     Bytes(r.begin() + 8 + static_cast<long>(s), r.begin() + 8 + static_cast<long>(s + e)));
  if (plain.empty()) return -352;
  size_t pad = plain.back();
  if (pad >= 16 || plain.size() < pad + 7) return -311;
  uint32_t seq = (uint32_t(plain[0]) << 24) | (uint32_t(plain[1]) << 16) | (uint32_t(plain[2]) << 8) | plain[3];
  if (seq <= recvSeq) return -500;
  recvSeq = seq;
  data.assign(plain.begin() + 6, plain.end() - static_cast<long>(pad) - 1);
  return 0;
}

// ------------------------------------------------------------------------------------------------

Client::~Client() {
  Close();
  delete session;
}

bool Client::Connect(int port, const char* address) {
  fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address, &a.sin_addr);
  return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

void Client::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool Client::SendRaw(const Bytes& b) {
  size_t done = 0;
  while (done < b.size()) {
    ssize_t n = ::send(fd, b.data() + done, b.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Client::Send(uint16_t code, const Bytes& body, bool encipher) {
  Bytes b = body;
  uint8_t enc = 0;
  if (encipher && !body.empty()) {
    b = session->Encode(body);
    enc = 1;
  }
  size_t total = 15 + b.size();
  Bytes p = {uint8_t(total >> 24),
             uint8_t(total >> 16),
             uint8_t(total >> 8),
             uint8_t(total),
             uint8_t(code >> 8),
             uint8_t(code),
             '4',
             1,
             0,
             1,
             1,
             '0',
             '0',
             enc,
             0};
  p.insert(p.end(), b.begin(), b.end());
  return SendRaw(p);
}

static bool Fill(int fd, Bytes& pending, size_t want, std::chrono::steady_clock::time_point deadline) {
  while (pending.size() < want) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) return false;
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, left) <= 0) return false;
    uint8_t buf[8192];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    pending.insert(pending.end(), buf, buf + n);
  }
  return true;
}

bool Client::Receive(Packet& p, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (!Fill(fd, pending_, 4, deadline)) return false;
  uint32_t len =
      (uint32_t(pending_[0]) << 24) | (uint32_t(pending_[1]) << 16) | (uint32_t(pending_[2]) << 8) | pending_[3];
  if (len < 4 || len > (1u << 20)) return false;
  if (!Fill(fd, pending_, len, deadline)) return false;
  p.bytes.assign(pending_.begin(), pending_.begin() + len);
  pending_.erase(pending_.begin(), pending_.begin() + len);
  return true;
}

bool Client::WaitClosed(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) return false;
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, left) <= 0) return false;
    uint8_t buf[4096];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return true;
    pending_.insert(pending_.end(), buf, buf + n);
  }
}

int Client::Open(const Packet& p, Bytes& body) {
  body = p.body();
  if (p.enc() >= 1 && p.enc() <= 127 && !body.empty()) {
    Bytes rec = body;
    return session->Decode(rec, body);
  }
  return 0;
}

int Client::KeyExchange() {
  if (!session) session = new Session(deviceCertificate, ca.empty() ? TestCa() : ca);
  for (int round = 0; round < 2; ++round) {
    if (!Send(1000, session->KeyToken(), false)) return -313;
    Packet p;
    if (!Receive(p) || p.code() != 1000 || p.status() != "00") return -1;
    int r = session->OnKeyReply(p.body());
    if (r != -100) return r;
  }
  return -100;
}

std::string Client::Login(const std::string& id, const std::string& password, Bytes* reply) {
  if (KeyExchange() != 0) return "";
  Bytes phone(14, 0);
  std::memcpy(phone.data(), "01012345678", 11);
  if (!Send(1010, phone, false)) return "";
  Packet p;
  if (!Receive(p) || p.code() != 1010) return "";
  Bytes body(20, 0);
  std::string cid = Cp949(id), cpw = Cp949(password);
  std::memcpy(body.data(), cid.data(), std::min<size_t>(10, cid.size()));
  std::memcpy(body.data() + 10, cpw.data(), std::min<size_t>(10, cpw.size()));
  if (!Send(4020, body, true) || !Receive(p) || p.code() != 4020) return "";
  Bytes opened;
  if (Open(p, opened) != 0) return "";
  if (reply) *reply = opened;
  return p.status();
}

}  // namespace tc
