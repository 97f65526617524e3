// The 15-byte header in front of every packet to and from the trading server, the server's
// message body, and the transaction codes that several parts of the system share.
#pragma once

#include <cstddef>
#include <cstdint>

// Wire layout (15 bytes, body at offset 15). Multi-byte numbers are big-endian; use the helpers
// below rather than reading the fields as host integers.
struct TR_HEADER {
  uint8_t tr_len[4];       // length of the whole packet, header included
  uint8_t tr_code[2];      // transaction code (a push carries its push type)
  uint8_t client_kind;     // '4'
  uint8_t opt_flags[4];    // 01 00 01 01 from make_packet, zero in headers that screens write
  uint8_t result_code[2];  // request: '1'/'0' then '0'; reply: two status digits, "00" = success
  uint8_t enc_flag;        // 1 when the body is one enciphered data record (1..127 read as enciphered)
  uint8_t tr_reserved;     // 0
};
static_assert(sizeof(TR_HEADER) == 15, "TR_HEADER is 15 bytes on the wire");

constexpr int TR_HEADER_SIZE = 15;
constexpr int TR_MAX_PACKET = 4096;  // a whole packet, header included, never exceeds this

// Body of a reply whose status is not "00": 14 bytes of caption (code page 949, not terminated),
// then the message text (code page 949) up to the end of the body.
struct SERVER_MESSAGE {
  char caption[14];
  char message[1];  // runs to the end of the body
};
constexpr int SERVER_MESSAGE_CAPTION = 14;

// Transaction codes used by more than one part of the system.
constexpr uint16_t TR_LOGIN_KEY = 1000;
constexpr uint16_t TR_PHONE_NO = 1010;
constexpr uint16_t TR_KEEP_ALIVE = 1100;
constexpr uint16_t TR_LOGIN = 4020;
constexpr uint16_t TR_STOCK_BASE = 4101;
constexpr uint16_t TR_FUTOPT_BASE = 5555;
constexpr uint16_t TR_REAL_REQ = 9000;

inline uint32_t TrGetU32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint16_t TrGetU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline void TrPutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
inline void TrPutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

inline uint32_t TrLength(const TR_HEADER& h) { return TrGetU32(h.tr_len); }
inline uint16_t TrCode(const TR_HEADER& h) { return TrGetU16(h.tr_code); }
// True when the reply's status digits are "00".
inline bool TrSucceeded(const TR_HEADER& h) { return h.result_code[0] == '0' && h.result_code[1] == '0'; }
