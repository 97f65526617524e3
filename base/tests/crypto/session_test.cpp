// The secure session: key tokens, certificate push and data records, against the simulated
// trading server's own session code (OpenSSL underneath) and against hand-made records.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "oracle.h"
#include "test_keys.h"
#include "plat/kernel.h"
#include "session.h"  // simulated server
#include "vxbase/crypto/authority.h"
#include "vxbase/ee_session.h"

using namespace crypto_test;

namespace {

const char kCertFile[] = "\\pelvato.der";

// Gives the tests a view of the session state, to check bytes the peer cannot show.
class Probe : public EE_Session {
 public:
  const EE_SessionContext& ctx() const { return m_ctx; }
};

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vxsession.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    std::string error;
    ASSERT_TRUE(server_.Load(SIMSERVER_KEYS_DIR, error)) << error;
    AddTestAuthority();  // signs the 2,048-bit key certificate
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::string HostFile() const { return root_ + "/pelvato.der"; }
  void PutCertificate(const Bytes& der) {
    FILE* f = std::fopen(HostFile().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(der.data(), 1, der.size(), f);
    std::fclose(f);
  }
  bool HasCertificateFile() const { return std::filesystem::exists(HostFile()); }

  Bytes Token(EE_Session& client) {
    Bytes out(8192);
    int n = client.create_send_key(out.data(), int(out.size()));
    EXPECT_GT(n, 0);
    out.resize(size_t(n > 0 ? n : 0));
    return out;
  }

  // Runs the exchange to the end as the login does: token, certificate push, token again.
  void Establish(EE_Session& client) {
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    for (int round = 0; round < 2; ++round) {
      Bytes token = Token(client), reply;
      int error = 0;
      auto kind = peer_.HandleClientToken(token.data(), token.size(), server_, rng_, reply, error);
      ASSERT_NE(kind, simsrv::ServerSession::KeyResult::Error) << error;
      int r = client.analy_recv_key(reply.data(), int(reply.size()));
      if (kind == simsrv::ServerSession::KeyResult::Token) {
        ASSERT_EQ(r, 0);
        return;
      }
      ASSERT_EQ(r, EE_RESEND_KEY);
      ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    }
    FAIL() << "no key token after the certificate";
  }

  // The server key token that follows a token carrying the secret.
  Bytes ServerToken(EE_Session& client) {
    Bytes token = Token(client), reply;
    int error = 0;
    auto kind = peer_.HandleClientToken(token.data(), token.size(), server_, rng_, reply, error);
    EXPECT_EQ(kind, simsrv::ServerSession::KeyResult::Token) << error;
    return reply;
  }

  std::string root_;
  simsrv::ServerIdentity server_;
  simsrv::ServerSession peer_;
  simsrv::Random rng_{7};
};

// No file, a file that is no certificate, and a certificate whose key would not fit the token's
// one-byte length: each gives the 34-byte token that asks the server for its certificate.
TEST_F(Session, TokenWithoutCertificateAsksForOne) {
  const Bytes files[] = {Bytes(), FromHex("3003020101"), ReadFile(DataPath("key2048.der"))};
  for (size_t variant = 0; variant < std::size(files); ++variant) {
    if (!files[variant].empty()) PutCertificate(files[variant]);
    EE_Session client;
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    EXPECT_TRUE(client.initialised());
    Bytes token = Token(client);
    ASSERT_EQ(token.size(), 34u) << variant;
    EXPECT_EQ(ToHex(token.data(), 13), "010200001d0200010101012100");
    EXPECT_EQ(ToHex(token.data() + 13, 20), std::string(40, '0'));
    EXPECT_EQ(token[33], 0);
  }
}

TEST_F(Session, TokenCarriesDigestAndSecretUnderTheServerKey) {
  Bytes der = ReadFile(SIMSERVER_KEYS_DIR "/test_server.der");
  PutCertificate(der);
  Bytes secrets[2];
  for (auto& secret : secrets) {
    EE_Session client;
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    Bytes token = Token(client);
    ASSERT_EQ(token.size(), 34u + 128u);
    EXPECT_EQ(ToHex(token.data(), 5), "010200009d");
    uint8_t digest[20];
    SHA1(der.data(), der.size(), digest);
    EXPECT_EQ(ToHex(token.data() + 13, 20), ToHex(digest, 20));
    EXPECT_EQ(token[33], 128);
    secret = OpensslRsaDecrypt(SIMSERVER_KEYS_DIR "/test_server_key.pem", Bytes(token.begin() + 34, token.end()));
    EXPECT_EQ(secret.size(), 48u);
  }
  // Each session draws its own secret.
  EXPECT_NE(ToHex(secrets[0]), ToHex(secrets[1]));
}

TEST_F(Session, ArgumentsAndSizes) {
  EE_Session client;
  EXPECT_EQ(client.init(nullptr, nullptr, 0), EE_BAD_ARGUMENT);
  EXPECT_FALSE(client.initialised());
  EXPECT_EQ(client.init(std::string(64, 'a').c_str(), nullptr, 0), EE_BAD_ARGUMENT) << "path longer than 63";
  EXPECT_EQ(client.init(std::string(63, 'a').c_str(), nullptr, 0), 0);
  uint8_t out[200];
  EXPECT_EQ(client.create_send_key(nullptr, 200), EE_BAD_ARGUMENT);
  EXPECT_EQ(client.create_send_key(out, 33), EE_OVERFLOW);
  EXPECT_EQ(client.create_send_key(out, 34), 34);
  PutCertificate(ReadFile(SIMSERVER_KEYS_DIR "/test_server.der"));
  ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
  EXPECT_EQ(client.create_send_key(out, 161), EE_OVERFLOW);
  EXPECT_EQ(client.create_send_key(out, 162), 162);
  // No keys agreed yet: nothing goes out or comes in under zero keys.
  uint8_t data[4] = {1, 2, 3, 4}, record[64] = {3, 2, 0, 0, 40};
  EXPECT_EQ(client.encode_data(out, 200, data, 4), EE_NO_SESSION_KEY);
  EXPECT_EQ(client.decode_data(out, 200, record, 45), EE_NO_SESSION_KEY);
  EXPECT_EQ(client.analy_recv_key(nullptr, 10), EE_BAD_ARGUMENT);
}

TEST_F(Session, FullExchangeAndRecordsBothWays) {
  EE_Session client;
  Establish(client);
  ASSERT_TRUE(HasCertificateFile());
  EXPECT_EQ(ToHex(ReadFile(HostFile())), ToHex(ReadFile(SIMSERVER_KEYS_DIR "/test_server.der")));
  ASSERT_TRUE(client.keys_agreed());
  for (size_t len : {0, 1, 9, 10, 25, 100, 1000, 4000}) {
    Bytes data = Pattern(len, uint8_t(len)), record(len + 80), back;
    const uint8_t* in = len ? data.data() : reinterpret_cast<const uint8_t*>("");
    int n = client.encode_data(record.data(), int(record.size()), in, int(len));
    ASSERT_GT(n, 0) << len;
    ASSERT_EQ(peer_.Decode(record.data(), size_t(n), back), 0) << len;
    EXPECT_EQ(ToHex(back), ToHex(data)) << len;

    Bytes reply, plain(len + 1, 0xEE);
    ASSERT_EQ(peer_.Encode(data.data(), len, reply), 0);
    ASSERT_EQ(client.decode_data(plain.data(), int(len), reply.data(), int(reply.size())), int(len)) << len;
    EXPECT_EQ(ToHex(plain.data(), len), ToHex(data)) << len;
    EXPECT_EQ(plain[len], 0xEE) << "wrote past the data";
  }
  // A copy of the object carries the session on.
  EE_Session copy(client);
  Bytes reply, plain(16);
  ASSERT_EQ(peer_.Encode(reinterpret_cast<const uint8_t*>("copy"), 4, reply), 0);
  EXPECT_EQ(copy.decode_data(plain.data(), 16, reply.data(), int(reply.size())), 4);
}

// 9 data bytes need one padding byte of value 0; 10 need sixteen of value 15.
TEST_F(Session, PaddingValuesZeroAndFifteen) {
  Probe client;
  Establish(client);
  const auto& ctx = client.ctx();
  const size_t s = size_t(ctx.sessionIdLength);
  struct Case {
    size_t dataLength, plainLength;
    uint8_t pad;
  } cases[] = {{9, 16, 0}, {10, 32, 15}, {0, 16, 9}, {25, 32, 0}};
  for (const auto& c : cases) {
    Bytes data = Pattern(c.dataLength), out(200);
    const uint8_t* in = c.dataLength ? data.data() : reinterpret_cast<const uint8_t*>("");
    int n = client.encode_data(out.data(), int(out.size()), in, int(c.dataLength));
    ASSERT_EQ(size_t(n), 28 + s + c.plainLength) << c.dataLength;
    EXPECT_EQ(size_t(out[6 + s] << 8 | out[7 + s]), c.plainLength);
    Bytes key(ctx.clientKey, ctx.clientKey + 16), iv(ctx.clientIv, ctx.clientIv + 16);
    Bytes plain =
        OpensslSeedCbc(false, key, iv, Bytes(out.begin() + long(8 + s), out.begin() + long(8 + s + c.plainLength)));
    for (size_t i = 6 + c.dataLength; i < c.plainLength; ++i) EXPECT_EQ(plain[i], c.pad) << c.dataLength << " at " << i;
    EXPECT_EQ(ToHex(plain.data() + 6, c.dataLength), ToHex(data));
    Bytes back;
    EXPECT_EQ(peer_.Decode(out.data(), size_t(n), back), 0);
  }
  // The record must fit the output area: the exact size passes, one byte less does not.
  Bytes data = Pattern(10), out(28 + s + 32);
  EXPECT_EQ(client.encode_data(out.data(), int(out.size()) - 1, data.data(), 10), EE_OVERFLOW);
  EXPECT_EQ(client.encode_data(out.data(), int(out.size()), data.data(), 10), int(out.size()));
}

TEST_F(Session, ServerRecordFaults) {
  EE_Session client;
  Establish(client);
  Bytes data = Pattern(30), first, plain(64);
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), first), 0);
  ASSERT_EQ(client.decode_data(plain.data(), 64, first.data(), int(first.size())), 30);
  // Replay of the same record, then the server's own replay (same sequence number, fresh record).
  EXPECT_EQ(client.decode_data(plain.data(), 64, first.data(), int(first.size())), EE_REPLAY);
  Bytes replayed, wrongId, badMac;
  simsrv::RecordTweak tweak;
  tweak.reuseSequence = true;
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), replayed, tweak), 0);
  EXPECT_EQ(client.decode_data(plain.data(), 64, replayed.data(), int(replayed.size())), EE_REPLAY);
  tweak = {};
  tweak.wrongSessionId = true;
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), wrongId, tweak), 0);
  wrongId.back() ^= 1;  // a bad check value as well: the session id is looked at first
  EXPECT_EQ(client.decode_data(plain.data(), 64, wrongId.data(), int(wrongId.size())), EE_BAD_SESSION_ID);
  tweak = {};
  tweak.tamperMac = true;
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), badMac, tweak), 0);
  EXPECT_EQ(client.decode_data(plain.data(), 64, badMac.data(), int(badMac.size())), EE_TAMPERED);
  // A changed ciphertext byte, type or declared length.
  Bytes fresh;
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), fresh), 0);
  const size_t s = fresh[5];
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
    int expected;
  } cases[] = {
      {"ciphertext", 8 + s + 3, uint8_t(fresh[8 + s + 3] ^ 0x40), EE_TAMPERED},
      {"type", 0, 4, EE_BAD_ARGUMENT},
      {"version", 1, 3, EE_BAD_ARGUMENT},
      {"declared length beyond the record", 4, uint8_t(fresh[4] + 1), EE_BAD_ARGUMENT},
      {"ciphertext length not whole blocks", 7 + s, uint8_t(fresh[7 + s] - 1), EE_BAD_ARGUMENT},
      {"session id length above 20", 5, 21, EE_BAD_ARGUMENT},
  };
  for (const auto& c : cases) {
    Bytes bad = fresh;
    bad[c.offset] = c.value;
    EXPECT_EQ(client.decode_data(plain.data(), 64, bad.data(), int(bad.size())), c.expected) << c.what;
  }
  // Type 5 is taken as a data record too; a too small output area is refused before writing.
  fresh[0] = 5;
  Bytes small(29, 0xEE);
  EXPECT_EQ(client.decode_data(small.data(), 29, fresh.data(), int(fresh.size())), EE_OVERFLOW);
  EXPECT_EQ(ToHex(small), std::string(58, 'e'));
  EXPECT_EQ(client.decode_data(plain.data(), 30, fresh.data(), int(fresh.size())), 30);
}

// Records that pass the check value but are wrong inside: made here with the server's keys.
TEST_F(Session, AuthenticRecordsWithBadInsides) {
  Probe client;
  Establish(client);
  const auto& ctx = client.ctx();
  auto forge = [&](const Bytes& plain) {
    Bytes key(ctx.serverKey16, ctx.serverKey16 + 16), iv(ctx.serverIv, ctx.serverIv + 16);
    Bytes cipher = OpensslSeedCbc(true, key, iv, plain);
    Bytes rec = {3, 2, 0, 0, 0, uint8_t(ctx.sessionIdLength)};
    rec.insert(rec.end(), ctx.sessionId, ctx.sessionId + ctx.sessionIdLength);
    rec.push_back(uint8_t(cipher.size() >> 8));
    rec.push_back(uint8_t(cipher.size()));
    rec.insert(rec.end(), cipher.begin(), cipher.end());
    uint8_t mac[20];
    unsigned n = 0;
    HMAC(EVP_sha1(), ctx.serverMac, 20, rec.data() + 5, rec.size() - 5, mac, &n);
    rec.insert(rec.end(), mac, mac + 20);
    rec[3] = uint8_t((rec.size() - 5) >> 8);
    rec[4] = uint8_t(rec.size() - 5);
    return rec;
  };
  // seq, length, data, padding
  auto plainOf = [](uint32_t seq, uint16_t declared, size_t dataLength, size_t total, uint8_t pad) {
    Bytes p = {uint8_t(seq >> 24), uint8_t(seq >> 16),     uint8_t(seq >> 8),
               uint8_t(seq),       uint8_t(declared >> 8), uint8_t(declared)};
    Bytes d = Pattern(dataLength);
    p.insert(p.end(), d.begin(), d.end());
    while (p.size() < total) p.push_back(pad);
    return p;
  };
  Bytes badPadding = plainOf(10, 9, 9, 32, 15);
  badPadding[20] = 14;
  struct Case {
    const char* what;
    Bytes plain;
    int expected;
  } cases[] = {
      {"padding value 16", plainOf(10, 9, 9, 32, 16), EE_BAD_ARGUMENT},
      {"padding bytes differ", badPadding, EE_BAD_ARGUMENT},
      {"declared length above the data", plainOf(10, 11, 10, 32, 15), EE_BAD_ARGUMENT},
      {"declared length below the data", plainOf(10, 9, 10, 32, 15), EE_BAD_ARGUMENT},
      {"padding longer than the record", plainOf(10, 0, 0, 16, 15), EE_BAD_ARGUMENT},
      {"sequence number 0", plainOf(0, 10, 10, 32, 15), EE_REPLAY},
      {"proper record", plainOf(10, 10, 10, 32, 15), 10},
      {"older sequence number", plainOf(9, 10, 10, 32, 15), EE_REPLAY},
      {"proper record, one block", plainOf(11, 9, 9, 16, 0), 9},
  };
  for (const auto& c : cases) {
    Bytes rec = forge(c.plain), out(64);
    EXPECT_EQ(client.decode_data(out.data(), 64, rec.data(), int(rec.size())), c.expected) << c.what;
  }
}

TEST_F(Session, PushedCertificateChecks) {
  Bytes good = ReadFile(SIMSERVER_KEYS_DIR "/test_server.der");
  Bytes tampered = good;
  tampered[200] ^= 1;
  auto push = [](const Bytes& der, uint8_t skip = 0) {
    Bytes rec = {10, 2, 0, 0, 0, skip};
    for (uint8_t i = 0; i < skip; ++i) rec.push_back(0xAA);
    rec.push_back(1);
    rec.push_back(uint8_t(der.size() >> 8));
    rec.push_back(uint8_t(der.size()));
    rec.insert(rec.end(), der.begin(), der.end());
    rec[3] = uint8_t((rec.size() - 5) >> 8);
    rec[4] = uint8_t(rec.size() - 5);
    return rec;
  };
  Bytes lengthBeyond = push(good);
  lengthBeyond[8] += 1;  // c one above the record
  Bytes noMarker = push(good);
  noMarker[6] = 2;
  struct Case {
    const char* what;
    Bytes record;
    int expected;
  } cases[] = {
      {"unknown issuer", push(ReadFile(DataPath("stranger_signed.der"))), EE_CERT_SIGNATURE},
      {"tampered", push(tampered), EE_CERT_SIGNATURE},
      {"2048-bit key: no one-byte length", push(ReadFile(DataPath("key2048.der"))), EE_CERT_KEY},
      {"4096-bit key", push(ReadFile(DataPath("key4096.der"))), EE_CERT_KEY},
      {"truncated DER", push(Bytes(good.begin(), good.end() - 30)), EE_CERT_PARSE},
      {"certificate length beyond the record", lengthBeyond, EE_BAD_ARGUMENT},
      {"marker byte not 1", noMarker, EE_BAD_ARGUMENT},
      {"skipped bytes beyond the record", Bytes{10, 2, 0, 0, 2, 5, 1}, EE_BAD_ARGUMENT},
      {"unknown record type", Bytes{7, 2, 0, 0, 0}, EE_BAD_ARGUMENT},
  };
  for (const auto& c : cases) {
    EE_Session client;
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    EXPECT_EQ(client.analy_recv_key(c.record.data(), int(c.record.size())), c.expected) << c.what;
    EXPECT_FALSE(HasCertificateFile()) << c.what;
    EXPECT_EQ(client.create_send_key(Bytes(200).data(), 200), 34) << c.what << ": still no certificate";
  }
  // Skipped bytes before the certificate are allowed; the accepted certificate is stored and used.
  EE_Session client;
  ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
  Bytes rec = push(good, 3);
  ASSERT_EQ(client.analy_recv_key(rec.data(), int(rec.size())), EE_RESEND_KEY);
  EXPECT_EQ(ToHex(ReadFile(HostFile())), ToHex(good));
  Bytes out(400);
  EXPECT_EQ(client.create_send_key(out.data(), 400), 162) << "the next token carries the secret at once";
  // A second push in the same exchange would go round for ever.
  EXPECT_EQ(client.analy_recv_key(rec.data(), int(rec.size())), EE_BAD_SERVER_CERT);
}

// A server may push its certificate whenever it likes, also the one the device holds: the push is
// stored and the exchange goes on, once per exchange. A second push is refused until init starts
// the next exchange, which may take one push again and still reaches the keys.
TEST_F(Session, HeldCertificatePushedIsTakenOncePerExchange) {
  Bytes der = ReadFile(SIMSERVER_KEYS_DIR "/test_server.der");
  PutCertificate(der);
  Bytes push = simsrv::ServerSession::CertificateRecord(der);
  Probe client;
  for (int exchange = 0; exchange < 2; ++exchange) {
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    Bytes first = Token(client);
    ASSERT_EQ(first.size(), 162u) << "the held certificate is used from the first token";
    std::filesystem::remove(HostFile());
    EXPECT_EQ(client.analy_recv_key(push.data(), int(push.size())), EE_RESEND_KEY) << exchange;
    EXPECT_EQ(ToHex(ReadFile(HostFile())), ToHex(der)) << "stored again";
    Bytes token = Token(client);
    ASSERT_EQ(token.size(), 162u);
    EXPECT_EQ(client.analy_recv_key(push.data(), int(push.size())), EE_BAD_SERVER_CERT) << exchange;
    EXPECT_FALSE(client.keys_agreed());
  }
  // The exchange after the refused push: one push, then the server's token gives the keys.
  ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
  Token(client);
  ASSERT_EQ(client.analy_recv_key(push.data(), int(push.size())), EE_RESEND_KEY);
  Bytes reply = ServerToken(client);
  EXPECT_EQ(client.analy_recv_key(reply.data(), int(reply.size())), 0);
  EXPECT_TRUE(client.keys_agreed());
}

// The certificate file is read up to 2,048 bytes: the digest the token carries is the SHA-1 of
// the bytes read, never of more; a certificate longer than that is not taken from the file.
TEST_F(Session, CertificateFileIsReadUpTo2048Bytes) {
  Bytes der = ReadFile(SIMSERVER_KEYS_DIR "/test_server.der");
  for (size_t fileSize : {der.size(), size_t(2048), size_t(2049), size_t(70000)}) {
    Bytes file = der;
    file.resize(fileSize, 0xA5);
    PutCertificate(file);
    Probe client;
    ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
    uint8_t want[20];
    SHA1(file.data(), std::min<size_t>(file.size(), 2048), want);
    EXPECT_EQ(ToHex(Bytes(client.ctx().certDigest, client.ctx().certDigest + 20)), ToHex(Bytes(want, want + 20)))
        << fileSize;
  }
  Bytes large = ReadFile(DataPath("large.der"));
  ASSERT_GT(large.size(), 2048u);
  PutCertificate(large);
  EE_Session client;
  ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
  Bytes token = Token(client);
  ASSERT_EQ(token.size(), 34u) << "the server is asked for its certificate";
  EXPECT_EQ(ToHex(token.data() + 13, 20), std::string(40, '0'));
}

TEST_F(Session, ServerKeyTokenChecks) {
  Bytes der = ReadFile(SIMSERVER_KEYS_DIR "/test_server.der");
  PutCertificate(der);
  EE_Session client;
  ASSERT_EQ(client.init(kCertFile, nullptr, 0), 0);
  Bytes token = ServerToken(client);
  ASSERT_GE(token.size(), 8u);
  const size_t R = token[7], D = token[8 + R], versionAt = 9 + R + D;
  auto with = [&](size_t offset, uint8_t value) {
    Bytes t = token;
    t[offset] = value;
    return t;
  };
  Bytes cutShort(token.begin(), token.end() - 1);
  Bytes declaredShort = token;
  declaredShort[4] -= 1;
  struct Case {
    const char* what;
    Bytes record;
    int expected;
  } cases[] = {
      {"finished value changed", with(token.size() - 1, uint8_t(token.back() ^ 1)), EE_TAMPERED},
      {"key material changed", with(versionAt + 3, uint8_t(token[versionAt + 3] ^ 1)), EE_TAMPERED},
      {"record version", with(1, 3), EE_BAD_VERSION},
      {"token version", with(5, 3), EE_BAD_VERSION},
      {"protocol version", with(versionAt + 1, 0x22), EE_BAD_VERSION},
      {"session id above 20 bytes", with(8 + R, 21), EE_BAD_ARGUMENT},
      {"server random beyond the record", with(7, 250), EE_BAD_ARGUMENT},
      {"declared beyond what was received", cutShort, EE_BAD_ARGUMENT},
      {"finished value cut off", declaredShort, EE_BAD_ARGUMENT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(client.analy_recv_key(c.record.data(), int(c.record.size())), c.expected) << c.what;
    EXPECT_FALSE(client.keys_agreed()) << c.what;
  }
  EXPECT_EQ(client.analy_recv_key(token.data(), int(token.size())), 0);
  EXPECT_TRUE(client.keys_agreed());
  // The same token again: the secret it answered is spent.
  EXPECT_EQ(client.analy_recv_key(token.data(), int(token.size())), EE_BAD_ARGUMENT);

  // A server token after a token without a secret is refused.
  EE_Session bare;
  std::filesystem::remove(HostFile());
  ASSERT_EQ(bare.init(kCertFile, nullptr, 0), 0);
  Bytes t = Token(bare);
  ASSERT_EQ(t.size(), 34u);
  EXPECT_EQ(bare.analy_recv_key(token.data(), int(token.size())), EE_BAD_ARGUMENT);
}

}  // namespace

namespace {

// Mutated and cut records of every kind, each in an allocation of its exact size so that a read
// past the end shows under the address sanitizer. Nothing may be accepted that was changed.
TEST_F(Session, MutatedRecordsAreRefusedWithoutOverreads) {
  Probe client;
  Establish(client);
  Bytes data = Pattern(40), dataRecord;
  ASSERT_EQ(peer_.Encode(data.data(), data.size(), dataRecord), 0);
  Bytes certRecord = simsrv::ServerSession::CertificateRecord(ReadFile(SIMSERVER_KEYS_DIR "/test_server.der"));
  uint32_t x = 12345;
  auto next = [&x] {
    x = x * 1103515245u + 12345u;
    return x >> 8;
  };
  for (int i = 0; i < 3000; ++i) {
    const Bytes& base = (i % 2) ? dataRecord : certRecord;
    Bytes m = base;
    int changes = 1 + int(next() % 3);
    for (int c = 0; c < changes; ++c) m[next() % m.size()] ^= uint8_t(1 + next() % 255);
    if (next() % 4 == 0) m.resize(next() % m.size());
    auto exact = std::make_unique<uint8_t[]>(m.size() ? m.size() : 1);
    std::memcpy(exact.get(), m.data(), m.size());
    uint8_t out[64];
    if (i % 2) {
      int r = client.decode_data(out, sizeof out, exact.get(), int(m.size()));
      if (m != base && m.size() >= 5 && r >= 0) {
        // Only the header bytes outside the check value may differ: the type (3 or 5) and
        // the second version byte, which is not looked at.
        bool harmless = m.size() == base.size() && (m[0] == 3 || m[0] == 5) && m[1] == base[1] &&
                        std::equal(m.begin() + 3, m.end(), base.begin() + 3);
        EXPECT_TRUE(harmless) << "iteration " << i << ": " << ToHex(m);
      }
    } else {
      // The folder does not exist: a certificate that passes every check ends in -320.
      EE_Session fresh;
      ASSERT_EQ(fresh.init("\\no such folder\\x.der", nullptr, 0), 0);
      int r = fresh.analy_recv_key(exact.get(), int(m.size()));
      if (r == EE_NO_SERVER_CERT || r == EE_RESEND_KEY || r == 0) {
        bool harmless = m.size() == base.size() && m[0] == base[0] && m[1] == base[1] &&
                        std::equal(m.begin() + 3, m.end(), base.begin() + 3);
        EXPECT_TRUE(harmless) << "iteration " << i << " gave " << r << ": " << ToHex(m);
      }
    }
  }
}

}  // namespace
