// The server's side of the secure session, checked with the independent test client.
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "../keys/test_ca_key.h"
#include "fixture.h"

namespace tc {
namespace {

using SessionTest = ServerTest;

TEST_F(SessionTest, DeviceWithoutCertificateGetsItPushedThenCompletesTheExchange) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  c.session = new Session({}, TestCa());
  ASSERT_TRUE(c.Send(1000, c.session->KeyToken(), false));
  Packet p;
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.code(), 1000);
  EXPECT_EQ(p.status(), "00");
  EXPECT_EQ(p.enc(), 0);
  Bytes rec = p.body();
  ASSERT_GE(rec.size(), 9u);
  EXPECT_EQ(rec[0], 10);  // certificate record
  EXPECT_EQ(rec[1], 2);
  EXPECT_EQ(rec[2], 0);
  EXPECT_EQ(((rec[3] << 8) | rec[4]) + 5, static_cast<int>(rec.size()));
  EXPECT_EQ(c.session->OnKeyReply(rec), -100);
  EXPECT_EQ(c.session->certificate(), TestServerCertificate());

  // What the client sent first: a 34-byte token with a zero digest and no secret.
  simsrv::LogEntry first;
  ASSERT_TRUE(server->waitForRequest(1000, 1000, &first));
  ASSERT_EQ(first.body.size(), 34u);
  EXPECT_EQ(first.body[33], 0);
  EXPECT_EQ(Bytes(first.body.begin() + 13, first.body.begin() + 33), Bytes(20, 0));

  ASSERT_TRUE(c.Send(1000, c.session->KeyToken(), false));
  ASSERT_TRUE(c.Receive(p));
  EXPECT_EQ(p.body()[0], 2);  // server key token
  EXPECT_EQ(c.session->OnKeyReply(p.body()), 0) << "finished value or layout differs";
}

TEST_F(SessionTest, UnknownCertificateIsAnsweredWithTheServersOwn) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  c.deviceCertificate = TestCa();  // a valid certificate, but not the server's
  EXPECT_EQ(c.KeyExchange(), 0);
  EXPECT_EQ(c.session->certificate(), TestServerCertificate());
  EXPECT_EQ(server->log().size(), 2u);  // two rounds of 1000
}

TEST_F(SessionTest, KnownCertificateNeedsOneRoundAndBothSidesAgreeOnRecords) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  c.deviceCertificate = TestServerCertificate();
  ASSERT_EQ(c.KeyExchange(), 0);
  EXPECT_EQ(server->log().size(), 1u);
  EXPECT_EQ(c.session->sessionId().size(), 16u);
  // An enciphered request the server opens, and an enciphered answer the client opens.
  server->setHandler(7001, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    r.body = q.body;
    std::reverse(r.body.begin(), r.body.end());
  });
  Bytes reply;
  EXPECT_EQ(Ask(c, 7001, {1, 2, 3, 4, 5}, true, &reply), "00");
  EXPECT_EQ(reply, (Bytes{5, 4, 3, 2, 1}));
  simsrv::LogEntry e;
  ASSERT_TRUE(server->waitForRequest(7001, 1000, &e));
  EXPECT_TRUE(e.deciphered);
  EXPECT_EQ(e.plain, (Bytes{1, 2, 3, 4, 5}));
}

// Padding of the server's records: p = (16 - (L + 7) mod 16) mod 16, p + 1 bytes of value p.
TEST_F(SessionTest, ServerRecordsPadToWholeBlocks) {
  struct Case {
    size_t length;
    size_t plainSize;
    uint8_t pad;
  } cases[] = {{9, 16, 0}, {10, 32, 15}, {0, 16, 8}, {25, 32, 0}, {26, 48, 15}};
  Client c;
  ASSERT_TRUE(c.Connect(port));
  c.deviceCertificate = TestServerCertificate();
  ASSERT_EQ(c.KeyExchange(), 0);
  size_t wanted = 0;
  server->setHandler(7002, [&wanted](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.body.assign(wanted, 0xAB);
    r.encipher = true;
  });
  for (const Case& k : cases) {
    SCOPED_TRACE(k.length);
    wanted = k.length;
    ASSERT_TRUE(c.Send(7002, {1}, true));
    Packet p;
    ASSERT_TRUE(c.Receive(p));
    if (k.length == 0) {  // nothing to encipher: a plain, empty reply
      EXPECT_EQ(p.enc(), 0);
      EXPECT_EQ(p.length(), 15u);
      continue;
    }
    Bytes rec = p.body();
    size_t s = rec[5];
    size_t e = (rec[6 + s] << 8) | rec[7 + s];
    ASSERT_EQ(e, k.plainSize);
    Bytes plain = Seed(false, c.session->serverKey, c.session->serverIv,
                       Bytes(rec.begin() + 8 + static_cast<long>(s), rec.begin() + 8 + static_cast<long>(s + e)));
    ASSERT_EQ(plain.size(), k.plainSize);
    for (size_t i = plain.size() - k.pad - 1; i < plain.size(); ++i) EXPECT_EQ(plain[i], k.pad);
    EXPECT_EQ((plain[4] << 8) | plain[5], static_cast<int>(k.length));
    Bytes data;
    EXPECT_EQ(c.session->Decode(rec, data), 0);
    EXPECT_EQ(data, Bytes(k.length, 0xAB));
  }
  EXPECT_EQ(c.session->recvSeq, 4u);  // one rising number per enciphered reply
}

// Client records the server must refuse, each answered with a plain error and logged with its code.
TEST_F(SessionTest, ServerRefusesBadClientRecords) {
  struct Case {
    const char* name;
    int code;
    std::function<Bytes(Session&, const Bytes& good)> make;
  } cases[] = {
      {"replayed record", -500, [](Session&, const Bytes& good) { return good; }},
      {"wrong session id", -402,
       [](Session& s, const Bytes&) {
         Bytes r = s.Encode({7, 7, 7});
         r[6] ^= 0x55;
         return r;
       }},
      {"tampered check value", -353,
       [](Session& s, const Bytes&) {
         Bytes r = s.Encode({7, 7, 7});
         r.back() ^= 1;
         return r;
       }},
      {"tampered ciphertext", -353,
       [](Session& s, const Bytes&) {
         Bytes r = s.Encode({7, 7, 7});
         r[30] ^= 1;
         return r;
       }},
      {"length beyond the record", -311,
       [](Session& s, const Bytes&) {
         Bytes r = s.Encode({7, 7, 7});
         r[4] += 1;
         return r;
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    c.deviceCertificate = TestServerCertificate();
    ASSERT_EQ(c.KeyExchange(), 0);
    server->setHandler(7003, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = {1}; });
    Bytes good = c.session->Encode({1, 2, 3});
    auto send = [&](const Bytes& rec) {
      Bytes p(15 + rec.size());
      const uint8_t head[15] = {0, 0, 0, 0, 0x1B, 0x5B, '4', 1, 0, 1, 1, '0', '0', 1, 0};
      std::copy(head, head + 15, p.begin());
      std::copy(rec.begin(), rec.end(), p.begin() + 15);
      p[2] = static_cast<uint8_t>(p.size() >> 8);
      p[3] = static_cast<uint8_t>(p.size());
      return c.SendRaw(p);
    };
    size_t before = server->logSize();
    ASSERT_TRUE(send(good));
    Packet p;
    ASSERT_TRUE(c.Receive(p));
    EXPECT_EQ(p.status(), "00");
    ASSERT_TRUE(send(k.make(*c.session, good)));
    ASSERT_TRUE(c.Receive(p));
    EXPECT_EQ(p.status(), "99");
    EXPECT_EQ(p.enc(), 0);
    EXPECT_EQ(Message(p.body()).first, "보안오류");
    auto log = server->log();
    ASSERT_EQ(log.size(), before + 2);
    EXPECT_EQ(log.back().sessionError, k.code);
    EXPECT_FALSE(log.back().deciphered);
  }
}

TEST_F(SessionTest, MalformedKeyTokensAreRefused) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> spoil;
  } cases[] = {
      {"record version", [](Bytes& t) { t[1] = 3; }},
      {"protocol bytes", [](Bytes& t) { t[11] = 0x22; }},
      {"secret that is not the server's", [](Bytes& t) { t[40] ^= 0xFF; }},
      {"length byte promising more", [](Bytes& t) { t[33] = 200; }},
      {"cut short", [](Bytes& t) { t.resize(20); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Client c;
    ASSERT_TRUE(c.Connect(port));
    Session s(TestServerCertificate(), TestCa());
    Bytes token = s.KeyToken();
    k.spoil(token);
    ASSERT_TRUE(c.Send(1000, token, false));
    Packet p;
    ASSERT_TRUE(c.Receive(p));
    EXPECT_EQ(p.status(), "99");
    EXPECT_EQ(Message(p.body()).first, "보안오류");
  }
}

TEST_F(SessionTest, EnciphereredRequestBeforeAnyKeyExchangeIsRefused) {
  Client c;
  ASSERT_TRUE(c.Connect(port));
  Bytes p = {0, 0, 0, 20, 0x0F, 0xB4, '4', 1, 0, 1, 1, '0', '0', 1, 0, 3, 2, 0, 0, 0};
  ASSERT_TRUE(c.SendRaw(p));
  Packet r;
  ASSERT_TRUE(c.Receive(r));
  EXPECT_EQ(r.status(), "99");
  EXPECT_EQ(server->log().back().sessionError, simsrv::kNoSession);
}

// The authority header that the client's table is made from describes the committed authority.
TEST(TestKeys, AuthorityHeaderMatchesTheCertificates) {
  Bytes ca = TestCa();
  ASSERT_EQ(ca, Bytes(kTestCaCertificate, kTestCaCertificate + sizeof kTestCaCertificate));
  Bytes srv = TestServerCertificate();
  const uint8_t* p = srv.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(srv.size()));
  ASSERT_NE(x, nullptr);
  uint8_t* der = nullptr;
  int n = i2d_X509_NAME(X509_get_issuer_name(x), &der);
  ASSERT_GT(n, 0);
  EXPECT_EQ(Sha1(Bytes(der, der + n)), Bytes(kTestCaNameId, kTestCaNameId + 20));
  OPENSSL_free(der);
  EXPECT_EQ(X509_get_signature_nid(x), NID_sha1WithRSAEncryption);

  const uint8_t* q = ca.data();
  X509* cax = d2i_X509(nullptr, &q, static_cast<long>(ca.size()));
  EVP_PKEY* key = X509_get_pubkey(cax);
  BIGNUM* mod = nullptr;
  BIGNUM* exp = nullptr;
  ASSERT_EQ(EVP_PKEY_get_bn_param(key, "n", &mod), 1);
  ASSERT_EQ(EVP_PKEY_get_bn_param(key, "e", &exp), 1);
  Bytes m(static_cast<size_t>(BN_num_bytes(mod)));
  BN_bn2bin(mod, m.data());
  EXPECT_EQ(m, Bytes(kTestCaModulus, kTestCaModulus + sizeof kTestCaModulus));
  EXPECT_EQ(BN_get_word(exp), kTestCaExponent);
  EXPECT_EQ(sizeof kTestCaModulus, 128u);
  EXPECT_EQ(X509_verify(x, key), 1);
  BN_free(mod);
  BN_free(exp);
  EVP_PKEY_free(key);
  X509_free(cax);
  X509_free(x);
}

}  // namespace
}  // namespace tc
