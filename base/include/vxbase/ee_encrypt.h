// The packet layer: builds request packets behind the 15-byte TR_HEADER, opens received ones
// (plain or one enciphered data record of the secure session) and names the layer's and the
// session's negative result codes in Korean (code page 949).
//
// The main program owns one EE_Encrypt for its whole life and lends it to every screen, so the
// keep-alive, the login and all screens share one session.
#pragma once

#include <cstdint>

#include "vxbase/ee_session.h"
#include "vxbase/tr_header.h"

class EE_Encrypt : public EE_Session {
 public:
  EE_Encrypt() = default;
  virtual ~EE_Encrypt();
  EE_Encrypt(const EE_Encrypt&) = default;
  EE_Encrypt& operator=(const EE_Encrypt&) = default;

  // Result codes of the packet layer itself (the session's are in ee_session.h).
  static constexpr int PK_BAD_ARGUMENT = -1;  // buffer or packet missing, too small or malformed
  static constexpr int PK_CIPHER = -2;        // the session refused: *errText names the reason

  // Writes one request into `buf` (room `size`) and returns its total length.
  //   c1..c5 go to header bytes 6-10 (every caller passes '4', 1, 0, 1, 1); a non-zero `flag`
  //   writes '1' to byte 11, else '0'; byte 12 is '0'.
  //   No body (null or `bodyLen` below 1): a 15-byte header, never enciphered.
  //   `encrypt` non-zero: the body travels as one data record of the session.
  // Fails with PK_BAD_ARGUMENT (error text untouched) when the buffer is missing, or it or the
  // packet limit of 4,096 bytes cannot hold the header and the body; with PK_CIPHER when the
  // session cannot encipher (no keys yet, record too long), *errText then naming the reason.
  // Nothing is to be sent after a failure.
  int make_packet(unsigned char* buf, int size, uint16_t trCode, unsigned char c1, unsigned char c2, unsigned char c3,
                  unsigned char c4, unsigned char c5, unsigned char flag, unsigned char encrypt,
                  const unsigned char* body, int bodyLen, const char** errText = nullptr);

  // Copies or deciphers the body of a received packet into `out` (room `outSize`) and returns the
  // body length (0 for a header-only packet). `packetLen` is the number of bytes the caller holds
  // at `packet`; 0 means a receive slot of 4,096 bytes. The header's own length is never trusted
  // beyond that: a packet whose tr_len is below 15 or beyond what is held fails.
  // `trCode`, when given, receives the transaction code once the header is known to be sound.
  // Failures: PK_BAD_ARGUMENT ("수신데이타 NULL", "수신데이타 길이 오류" or "No Space OutBuf"),
  // PK_CIPHER (the session's reason). `out` is then undefined.
  int analy_recv_packet(const unsigned char* packet, int packetLen, unsigned char* out, int outSize,
                        uint16_t* trCode = nullptr, const char** errText = nullptr);

  // The fixed code-page-949 text of a result code; static, never freed. Codes without a text of
  // their own give "정의되지 않은 일반적인 에러".
  static const char* GET_MESSAGE(int code);
};
