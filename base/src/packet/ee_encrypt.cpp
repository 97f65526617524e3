// Packet layer: request building, received-packet opening and the result-code texts.
#include "vxbase/ee_encrypt.h"

#include <cstring>

namespace {

// Texts are code page 949 bytes (written as octal escapes so that the source stays UTF-8).
struct CodeText {
  int code;
  const char* text;
};

constexpr CodeText kCodeTexts[] = {
    {-100, "create_send_key\300\347\310\243\303\342\271\327 \300\374\274\333"},  // create_send_key재호출및 전송
    {-300, "\276\317\310\243\310\255 \265\277\300\333 \263\273\272\316\277\300\267\371"},  // 암호화 동작 내부오류
    {-311, "\300\337\270\370\265\310 \307\324\274\366 \300\316\300\332"},                  // 잘못된 함수 인자
    {-312, "\266\363\300\314\272\352\267\257\270\256 \303\312\261\342\310\255 \276\312\265\312"},  // 라이브러리
                                                                                                   // 초기화 않됨
    {-313, "\274\322\304\317 \277\241\267\257"},                                                   // 소켓 에러
    {-314, "\305\344\305\253 \265\360\304\332\265\371 \275\307\306\320"},                  // 토큰 디코딩 실패
    {-315, "\271\366\306\333 \277\300\271\366\307\303\267\316\277\354"},                   // 버퍼 오버플로우
    {-320, "\274\255\271\366\300\307 \300\316\301\365\274\255\260\241 \276\370\300\275"},  // 서버의 인증서가 없음
    {-321,
     "\274\255\271\366 \300\316\301\365\274\255\260\241 \270\270\267\341 \306\363\261\342\265\312"},  // 서버
                                                                                                      // 인증서가
                                                                                                      // 만료 폐기됨
    {-334, "RSA \276\317\310\243\310\255 \275\307\306\320"},  // RSA 암호화 실패
    {-350, "\305\254\266\363\300\314\276\360\306\256 \274\274\274\307\305\260 \306\363\261\342\265\312"},  // 클라이언트
                                                                                                           // 세션키
                                                                                                           // 폐기됨
    {-351, "\265\245\300\314\305\270 \276\317\310\243\310\255 \275\307\306\320"},  // 데이타 암호화 실패
    {-352, "\265\245\300\314\305\270 \272\271\310\243\310\255 \275\307\306\320"},  // 데이타 복호화 실패
    {-353, "\265\245\300\314\305\270\260\241 \272\257\301\266\265\312"},           // 데이타가 변조됨
    {-400, "\271\366\300\374\300\314 \270\302\301\366 \276\312\300\275"},          // 버전이 맞지 않음
    {-401,
     "\274\255\271\366\300\307 \307\301\267\316\306\304\300\317\300\314 \270\302\301\366 "
     "\276\312\300\275"},                                           // 서버의 프로파일이 맞지 않음
    {-402, "\274\274\274\307ID\260\241 \300\337\270\370\265\312"},  // 세션ID가 잘못됨
    {-500, "\270\256\307\303\267\271\300\314 \276\356\305\330 \260\250\301\366"},  // 리플레이 어텍 감지
    {-501,
     "\274\255\271\366\300\307 \300\316\301\365\274\255\260\241 \277\303\271\331\270\243\301\366 "
     "\276\312\300\275"},  // 서버의 인증서가 올바르지 않음
};

// 정의되지 않은 일반적인 에러
constexpr const char* kUnknownText =
    "\301\244\300\307\265\307\301\366 \276\312\300\272 \300\317\271\335\300\373\300\316 \277\241\267\257";
// 수신데이타 NULL
constexpr const char* kNullPacketText = "\274\366\275\305\265\245\300\314\305\270 NULL";
// 수신데이타 길이 오류
constexpr const char* kBadLengthText = "\274\366\275\305\265\245\300\314\305\270 \261\346\300\314 \277\300\267\371";
constexpr const char* kNoSpaceText = "No Space OutBuf";

constexpr uint8_t kMaxEncFlag = 127;

void SetText(const char** errText, const char* text) {
  if (errText) *errText = text;
}

}  // namespace

EE_Encrypt::~EE_Encrypt() = default;

const char* EE_Encrypt::GET_MESSAGE(int code) {
  for (const CodeText& entry : kCodeTexts)
    if (entry.code == code) return entry.text;
  return kUnknownText;
}

int EE_Encrypt::make_packet(unsigned char* buf, int size, uint16_t trCode, unsigned char c1, unsigned char c2,
                            unsigned char c3, unsigned char c4, unsigned char c5, unsigned char flag,
                            unsigned char encrypt, const unsigned char* body, int bodyLen, const char** errText) {
  if (!buf || size < TR_HEADER_SIZE) return PK_BAD_ARGUMENT;
  const bool hasBody = body && bodyLen >= 1;
  // The packet never exceeds what a receive slot holds: the room is capped at 4,096 bytes.
  const int room = size < TR_MAX_PACKET ? size : TR_MAX_PACKET;
  if (hasBody && static_cast<int64_t>(bodyLen) + TR_HEADER_SIZE > room) return PK_BAD_ARGUMENT;

  TR_HEADER* h = reinterpret_cast<TR_HEADER*>(buf);
  TrPutU16(h->tr_code, trCode);
  h->client_kind = c1;
  h->opt_flags[0] = c2;
  h->opt_flags[1] = c3;
  h->opt_flags[2] = c4;
  h->opt_flags[3] = c5;
  h->result_code[0] = flag ? '1' : '0';
  h->result_code[1] = '0';
  h->tr_reserved = 0;

  int total = TR_HEADER_SIZE;
  if (!hasBody) {
    h->enc_flag = 0;
  } else if (encrypt) {
    h->enc_flag = 1;
    int r = encode_data(buf + TR_HEADER_SIZE, room - TR_HEADER_SIZE, body, bodyLen);
    if (r < 0) {
      SetText(errText, GET_MESSAGE(r));
      return PK_CIPHER;
    }
    if (r > room - TR_HEADER_SIZE) {  // a session that wrote beyond its room is not trusted
      SetText(errText, GET_MESSAGE(EE_OVERFLOW));
      return PK_CIPHER;
    }
    total += r;
  } else {
    h->enc_flag = 0;
    std::memmove(buf + TR_HEADER_SIZE, body, static_cast<size_t>(bodyLen));
    total += bodyLen;
  }
  TrPutU32(h->tr_len, static_cast<uint32_t>(total));
  return total;
}

int EE_Encrypt::analy_recv_packet(const unsigned char* packet, int packetLen, unsigned char* out, int outSize,
                                  uint16_t* trCode, const char** errText) {
  if (!packet) {
    SetText(errText, kNullPacketText);
    return PK_BAD_ARGUMENT;
  }
  // What may be read: the bytes the caller says it holds, else one receive slot.
  const int64_t held = packetLen > 0 ? packetLen : TR_MAX_PACKET;
  if (held < TR_HEADER_SIZE) {
    SetText(errText, kBadLengthText);
    return PK_BAD_ARGUMENT;
  }
  const TR_HEADER* h = reinterpret_cast<const TR_HEADER*>(packet);
  const int64_t trLen = TrLength(*h);
  if (trLen < TR_HEADER_SIZE || trLen > held) {
    SetText(errText, kBadLengthText);
    return PK_BAD_ARGUMENT;
  }
  const int n = static_cast<int>(trLen - TR_HEADER_SIZE);
  if (n > 0 && (!out || outSize < n)) {
    SetText(errText, kNoSpaceText);
    return PK_BAD_ARGUMENT;
  }
  if (trCode) *trCode = TrCode(*h);
  if (n < 1) return 0;

  if (h->enc_flag >= 1 && h->enc_flag <= kMaxEncFlag) {
    int r = decode_data(out, outSize, packet + TR_HEADER_SIZE, n);
    if (r < 0) {
      SetText(errText, GET_MESSAGE(r));
      return PK_CIPHER;
    }
    return r;
  }
  std::memmove(out, packet + TR_HEADER_SIZE, static_cast<size_t>(n));
  return n;
}
