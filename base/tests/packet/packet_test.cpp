// The packet layer: request bytes, received-packet opening (plain and enciphered, with the
// simulated server's session as the peer) and the Korean result texts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "session.h"  // simulated server's session
#include "vxbase/ee_encrypt.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Code-page-949 text as UTF-16, through the platform's conversion.
std::u16string Wide(const char* text) {
  if (!text) return u"<null>";
  WCHAR buf[256] = {};
  int n = MultiByteToWideChar(949, 0, text, -1, buf, 256);
  return n > 0 ? std::u16string(buf) : u"<bad text>";
}

Bytes Header(uint32_t len, uint16_t code, uint8_t enc = 0) {
  Bytes p(15, 0);
  TrPutU32(p.data(), len);
  TrPutU16(p.data() + 4, code);
  p[6] = '4';
  p[11] = p[12] = '0';
  p[13] = enc;
  return p;
}

const char* const kUntouched = "untouched";

// ---------------------------------------------------------------------------------------------
// make_packet without a session: every case a call and the exact bytes (or the failure).
struct MakeCase {
  const char* name;
  int size;
  uint16_t code;
  unsigned char flag, encrypt;
  const char* body;  // null = none
  int bodyLen;
  int result;
  Bytes bytes;  // expected packet (when result > 0)
};

TEST(MakePacket, CallsAndBytes) {
  const std::string big(4081, 'x');
  const std::string tooBig(4082, 'x');
  const MakeCase cases[] = {
      {"keep-alive", 16, 1100, 0, 0, nullptr, 0, 15, {0, 0, 0, 0x0F, 0x04, 0x4C, 0x34, 1, 0, 1, 1, 0x30, 0x30, 0, 0}},
      {"flag set", 15, 1100, 1, 0, nullptr, 0, 15, {0, 0, 0, 0x0F, 0x04, 0x4C, 0x34, 1, 0, 1, 1, '1', '0', 0, 0}},
      {"encrypt without body stays a plain header",
       15,
       4020,
       0,
       1,
       nullptr,
       0,
       15,
       {0, 0, 0, 15, 0x0F, 0xB4, '4', 1, 0, 1, 1, '0', '0', 0, 0}},
      {"zero-length body is no body",
       64,
       4020,
       0,
       1,
       "abc",
       0,
       15,
       {0, 0, 0, 15, 0x0F, 0xB4, '4', 1, 0, 1, 1, '0', '0', 0, 0}},
      {"negative length is no body",
       64,
       4101,
       0,
       0,
       "abc",
       -5,
       15,
       {0, 0, 0, 15, 0x10, 0x05, '4', 1, 0, 1, 1, '0', '0', 0, 0}},
      {"plain body",
       18,
       4101,
       0,
       0,
       "005930",
       3,
       18,
       {0, 0, 0, 18, 0x10, 0x05, '4', 1, 0, 1, 1, '0', '0', 0, 0, '0', '0', '5'}},
      {"high code", 64, 0xFFFE, 0, 0, nullptr, 0, 15, {0, 0, 0, 15, 0xFF, 0xFE, '4', 1, 0, 1, 1, '0', '0', 0, 0}},
      {"null buffer", 64, 1100, 0, 0, nullptr, 0, -1, {}},
      {"room below the header", 14, 1100, 0, 0, nullptr, 0, -1, {}},
      {"room below header and body", 17, 4101, 0, 0, "005930", 3, -1, {}},
      {"body of the largest packet", 8192, 4101, 0, 0, big.c_str(), int(big.size()), 4096, {}},
      {"body beyond the largest packet", 8192, 4101, 0, 0, tooBig.c_str(), int(tooBig.size()), -1, {}},
      {"body length near the integer limit", 64, 4101, 0, 0, "abc", 0x7FFFFFFF, -1, {}},
      {"encrypt before any key exchange", 64, 4020, 0, 1, "secret", 6, -2, {}},
  };
  for (const MakeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EE_Encrypt enc;
    std::vector<unsigned char> buf(size_t(c.size) + 8, 0xEE);
    const char* err = kUntouched;
    unsigned char* target = std::strcmp(c.name, "null buffer") == 0 ? nullptr : buf.data();
    int r = enc.make_packet(target, c.size, c.code, '4', 1, 0, 1, 1, c.flag, c.encrypt,
                            reinterpret_cast<const unsigned char*>(c.body), c.bodyLen, &err);
    ASSERT_EQ(r, c.result);
    if (r == -1) {
      EXPECT_EQ(err, kUntouched);
    }
    if (r == -2) {
      EXPECT_EQ(Wide(err), u"클라이언트 세션키 폐기됨");
    }
    if (r <= 0) continue;
    EXPECT_EQ(TrGetU32(buf.data()), uint32_t(r));
    if (!c.bytes.empty()) {
      EXPECT_EQ(Bytes(buf.begin(), buf.begin() + r), c.bytes);
    }
    EXPECT_EQ(buf[size_t(r)], 0xEE) << "wrote past the packet";
  }
}

// ---------------------------------------------------------------------------------------------
// analy_recv_packet on plain packets and malformed headers.
struct RecvCase {
  const char* name;
  Bytes packet;
  int packetLen;  // what the caller says it holds
  int outSize;
  int result;
  const char16_t* text;  // expected error text, or null
  int code;              // expected code out, -1 = left untouched
  Bytes body;
};

Bytes WithBody(Bytes header, const Bytes& body) {
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

TEST(AnalyRecvPacket, PlainPacketsAndBrokenLengths) {
  const RecvCase cases[] = {
      {"header only still reports its code", Header(15, 4101), 0, 0, 0, nullptr, 4101, {}},
      {"plain body copied", WithBody(Header(18, 2310), {'A', 'B', 'C'}), 18, 3, 3, nullptr, 2310, {'A', 'B', 'C'}},
      {"flag above 127 is plain", WithBody(Header(17, 9110, 200), {7, 8}), 17, 2, 2, nullptr, 9110, {7, 8}},
      {"output too small", WithBody(Header(18, 2310), {'A', 'B', 'C'}), 18, 2, -1, u"No Space OutBuf", -1, {}},
      {"length below the header", Header(14, 4101), 15, 64, -1, u"수신데이타 길이 오류", -1, {}},
      {"length of zero", Header(0, 4101), 15, 64, -1, u"수신데이타 길이 오류", -1, {}},
      {"length beyond the bytes held",
       WithBody(Header(100, 4101), {1, 2, 3}),
       18,
       4096,
       -1,
       u"수신데이타 길이 오류",
       -1,
       {}},
      {"length beyond a slot", Header(4097, 4101), 0, 8192, -1, u"수신데이타 길이 오류", -1, {}},
      {"huge length", Header(0xFFFFFFFFu, 4101), 0, 8192, -1, u"수신데이타 길이 오류", -1, {}},
      {"held bytes below the header", Header(15, 4101), 10, 64, -1, u"수신데이타 길이 오류", -1, {}},
  };
  for (const RecvCase& c : cases) {
    SCOPED_TRACE(c.name);
    EE_Encrypt enc;
    // Exactly the bytes of the packet on the heap: any read past them is an error under ASan.
    std::unique_ptr<unsigned char[]> packet(new unsigned char[c.packet.size()]);
    std::memcpy(packet.get(), c.packet.data(), c.packet.size());
    std::vector<unsigned char> out(size_t(c.outSize) + 1, 0xEE);
    uint16_t code = 0xAAAA;
    const char* err = kUntouched;
    int r = enc.analy_recv_packet(packet.get(), c.packetLen, out.data(), c.outSize, &code, &err);
    ASSERT_EQ(r, c.result);
    if (c.text) {
      EXPECT_EQ(Wide(err), c.text);
    } else {
      EXPECT_EQ(err, kUntouched);
    }
    EXPECT_EQ(code, c.code < 0 ? 0xAAAA : c.code);
    if (r > 0) {
      EXPECT_EQ(Bytes(out.begin(), out.begin() + r), c.body);
    }
    EXPECT_EQ(out[size_t(c.outSize)], 0xEE) << "wrote past the output area";
  }
}

TEST(AnalyRecvPacket, MissingPacketOrOutputArea) {
  EE_Encrypt enc;
  const char* err = nullptr;
  unsigned char out[8];
  EXPECT_EQ(enc.analy_recv_packet(nullptr, 0, out, 8, nullptr, &err), -1);
  EXPECT_EQ(Wide(err), u"수신데이타 NULL");
  Bytes p = WithBody(Header(18, 2310), {1, 2, 3});
  EXPECT_EQ(enc.analy_recv_packet(p.data(), 0, nullptr, 100, nullptr, &err), -1);
  EXPECT_EQ(Wide(err), u"No Space OutBuf");
  // A header-only packet needs no output area; callers may leave both outs away.
  Bytes h = Header(15, 1100);
  EXPECT_EQ(enc.analy_recv_packet(h.data(), 0, nullptr, 0), 0);
}

TEST(AnalyRecvPacket, SlotOfFullSizeIsReadWithoutLength) {
  // Receivers pass 0 as length: the packet is then bounded by the 4,096-byte slot.
  std::vector<unsigned char> slot(TR_MAX_PACKET, 0x5A);
  Bytes h = Header(4096, 9121);
  std::memcpy(slot.data(), h.data(), 15);
  std::vector<unsigned char> out(4081);
  EE_Encrypt enc;
  EXPECT_EQ(enc.analy_recv_packet(slot.data(), 0, out.data(), int(out.size())), 4081);
  EXPECT_EQ(out.back(), 0x5A);
}

// ---------------------------------------------------------------------------------------------
// Enciphered bodies, with the simulated server's session as the peer.
class Enciphered : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vxpacket.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    std::string error;
    ASSERT_TRUE(identity_.Load(SIMSERVER_KEYS_DIR, error)) << error;
    ASSERT_NO_FATAL_FAILURE(Establish());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Key exchange as the login runs it: token, certificate push, token again.
  void Establish() {
    for (int round = 0; round < 2; ++round) {
      ASSERT_EQ(client_.init("\\pelvato.der", nullptr, 0), 0);
      Bytes token(1024), reply;
      int n = client_.create_send_key(token.data(), int(token.size()));
      ASSERT_GT(n, 0);
      int error = 0;
      auto kind = peer_.HandleClientToken(token.data(), size_t(n), identity_, rng_, reply, error);
      ASSERT_NE(kind, simsrv::ServerSession::KeyResult::Error) << error;
      int r = client_.analy_recv_key(reply.data(), int(reply.size()));
      if (kind == simsrv::ServerSession::KeyResult::Token) {
        ASSERT_EQ(r, 0);
        return;
      }
      ASSERT_EQ(r, EE_RESEND_KEY);
    }
    FAIL() << "no key token after the certificate";
  }

  // A reply packet from the server carrying `data` as one record.
  Bytes ServerPacket(const Bytes& data, const simsrv::RecordTweak& tweak = {}) {
    Bytes record;
    EXPECT_EQ(peer_.Encode(data.data(), data.size(), record, tweak), 0);
    Bytes p = Header(uint32_t(15 + record.size()), 4402, 1);
    p.insert(p.end(), record.begin(), record.end());
    return p;
  }

  std::string root_;
  simsrv::ServerIdentity identity_;
  simsrv::ServerSession peer_;
  simsrv::Random rng_{11};
  EE_Encrypt client_;
};

TEST_F(Enciphered, RequestBodyReachesTheServer) {
  const Bytes body = {'1', '2', '3', '4', '5', '6', '7', '8', '0', '1', 'p', 'w', 0, 0, 0, 0, 0, 0};
  std::vector<unsigned char> buf(256);
  int n = client_.make_packet(buf.data(), int(buf.size()), 4402, '4', 1, 0, 1, 1, 0, 1, body.data(), int(body.size()));
  ASSERT_GT(n, 15);
  EXPECT_EQ(TrGetU32(buf.data()), uint32_t(n));
  EXPECT_EQ(buf[13], 1);
  EXPECT_EQ(Bytes(buf.begin() + 4, buf.begin() + 13), Bytes({0x11, 0x32, '4', 1, 0, 1, 1, '0', '0'}));
  Bytes plain;
  ASSERT_EQ(peer_.Decode(buf.data() + 15, size_t(n - 15), plain), 0);
  EXPECT_EQ(plain, body);
}

TEST_F(Enciphered, RecordThatDoesNotFitFailsWithTheSessionText) {
  const Bytes body(40, 'b');
  std::vector<unsigned char> buf(15 + 40 + 8, 0xEE);  // room for the body, not for its record
  const char* err = nullptr;
  int n = client_.make_packet(buf.data(), int(buf.size()), 4402, '4', 1, 0, 1, 1, 0, 1, body.data(), int(body.size()),
                              &err);
  EXPECT_EQ(n, -2);
  EXPECT_EQ(Wide(err), u"버퍼 오버플로우");
  // A body whose record would pass 4,096 bytes fails the same way, however large the buffer.
  const Bytes large(4060, 'b');
  std::vector<unsigned char> room(8192);
  EXPECT_EQ(client_.make_packet(room.data(), int(room.size()), 4402, '4', 1, 0, 1, 1, 0, 1, large.data(),
                                int(large.size()), &err),
            -2);
}

TEST_F(Enciphered, ReplyOpensToItsPlainLength) {
  const Bytes data = {'0', '0', 'o', 'k', '!'};
  Bytes p = ServerPacket(data);
  std::vector<unsigned char> out(p.size());
  uint16_t code = 0;
  int r = client_.analy_recv_packet(p.data(), int(p.size()), out.data(), int(out.size()), &code);
  ASSERT_EQ(r, int(data.size()));  // the plain length, not the record's
  EXPECT_EQ(code, 4402);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + r), data);
}

TEST_F(Enciphered, BadRecordsFailWithTheirTexts) {
  struct Case {
    const char* name;
    simsrv::RecordTweak tweak;
    const char16_t* text;
  };
  const Case cases[] = {
      {"tampered check value", {false, false, true}, u"데이타가 변조됨"},
      {"other session id", {false, true, false}, u"세션ID가 잘못됨"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes p = ServerPacket({1, 2, 3}, c.tweak);
    std::vector<unsigned char> out(p.size());
    const char* err = nullptr;
    EXPECT_EQ(client_.analy_recv_packet(p.data(), int(p.size()), out.data(), int(out.size()), nullptr, &err), -2);
    EXPECT_EQ(Wide(err), c.text);
  }
  // A replayed record: the first copy opens, the same sequence number again does not.
  Bytes first = ServerPacket({9});
  std::vector<unsigned char> out(first.size());
  ASSERT_EQ(client_.analy_recv_packet(first.data(), 0, out.data(), int(out.size())), 1);
  Bytes again = ServerPacket({9}, {true, false, false});
  const char* err = nullptr;
  EXPECT_EQ(client_.analy_recv_packet(again.data(), 0, out.data(), int(out.size()), nullptr, &err), -2);
  EXPECT_EQ(Wide(err), u"리플레이 어텍 감지");
}

TEST_F(Enciphered, CopyCarriesTheSession) {
  // The main program lends the object by value in places: a copy deciphers as the original.
  EE_Encrypt copy(client_);
  Bytes p = ServerPacket({4, 5, 6, 7});
  std::vector<unsigned char> out(p.size());
  EXPECT_EQ(copy.analy_recv_packet(p.data(), int(p.size()), out.data(), int(out.size())), 4);
}

// ---------------------------------------------------------------------------------------------
TEST(GetMessage, TextsOfTheCodes) {
  const struct {
    int code;
    const char16_t* text;
  } cases[] = {
      {-100, u"create_send_key재호출및 전송"},
      {-300, u"암호화 동작 내부오류"},
      {-311, u"잘못된 함수 인자"},
      {-312, u"라이브러리 초기화 않됨"},
      {-313, u"소켓 에러"},
      {-314, u"토큰 디코딩 실패"},
      {-315, u"버퍼 오버플로우"},
      {-320, u"서버의 인증서가 없음"},
      {-321, u"서버 인증서가 만료 폐기됨"},
      {-334, u"RSA 암호화 실패"},
      {-350, u"클라이언트 세션키 폐기됨"},
      {-351, u"데이타 암호화 실패"},
      {-352, u"데이타 복호화 실패"},
      {-353, u"데이타가 변조됨"},
      {-400, u"버전이 맞지 않음"},
      {-401, u"서버의 프로파일이 맞지 않음"},
      {-402, u"세션ID가 잘못됨"},
      {-500, u"리플레이 어텍 감지"},
      {-501, u"서버의 인증서가 올바르지 않음"},
      // Everything else, the session's codes without a text of their own among them.
      {-1, u"정의되지 않은 일반적인 에러"},
      {0, u"정의되지 않은 일반적인 에러"},
      {100, u"정의되지 않은 일반적인 에러"},
      {-54, u"정의되지 않은 일반적인 에러"},
      {-200, u"정의되지 않은 일반적인 에러"},
      {-700, u"정의되지 않은 일반적인 에러"},
      {-2147483647 - 1, u"정의되지 않은 일반적인 에러"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(Wide(EE_Encrypt::GET_MESSAGE(c.code)), c.text);
  }
  // The same static text every time: callers keep the pointer.
  EXPECT_EQ(EE_Encrypt::GET_MESSAGE(-353), EE_Encrypt::GET_MESSAGE(-353));
}

}  // namespace
