// The secure session of the packet layer: key exchange (client token, server token or
// certificate push) and the enciphered data records. EE_Encrypt carries one EE_Session; the
// main program owns that object and lends it to every screen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vxbase/crypto/random.h"
#include "vxbase/crypto/hmac.h"
#include "vxbase/crypto/rsa.h"
#include "vxbase/crypto/seed.h"
#include "vxbase/crypto/sha1.h"

// Result codes of the session (texts in EE_Encrypt::GET_MESSAGE).
enum EE_SessionCode : int {
  EE_OK = 0,
  EE_RESEND_KEY = -100,  // the reply was the server's certificate: create_send_key again and send it
  EE_NO_MEMORY = -200,
  EE_BAD_ARGUMENT = -311,    // missing argument or malformed record
  EE_OVERFLOW = -315,        // output area too small
  EE_NO_SERVER_CERT = -320,  // the pushed certificate could not be kept in the certificate file
  EE_RSA_FAILED = -334,
  EE_NO_SESSION_KEY = -350,  // no keys agreed yet: nothing is enciphered or accepted under zero keys
  EE_ENCRYPT_FAILED = -351,
  EE_DECRYPT_FAILED = -352,
  EE_TAMPERED = -353,  // check value or finished value does not match
  EE_BAD_VERSION = -400,
  EE_BAD_SESSION_ID = -402,
  EE_REPLAY = -500,
  EE_BAD_SERVER_CERT = -501,  // a second certificate push within one key exchange
  EE_CERT_PARSE = -54,
  EE_CERT_KEY = -55,         // key longer than 2,048 bits, or not carried by a one-byte RSA length
  EE_CERT_SIGNATURE = -700,  // signature does not match, or the issuer is unknown
};

// Session state, cleared by the constructor and copied byte for byte with the object.
struct EE_SessionContext {
  char certPath[64];  // NUL-terminated device path of the certificate file
  vxbase::crypto::RsaPublicKey serverKey;
  uint8_t certDigest[20];  // SHA-1 of the certificate file; zero without a usable one
  uint8_t preMaster[48];
  uint8_t protocolMinor;           // third byte of the server's protocol version
  vxbase::crypto::Sha1 handshake;  // over both key tokens
  uint8_t clientMac[20], serverMac[20];
  uint8_t clientIv[16], serverIv[16];
  uint8_t clientKey[16], serverKey16[16];
  uint8_t sessionId[20];
  int sessionIdLength;
  uint32_t sendSeq;
  uint32_t recvSeq;                          // highest sequence number received
  int keysAgreed;                            // 1 once a server key token has been accepted
  int preMasterSent;                         // 1 while a secret sent in the last token awaits the server's token
  int certPushes;                            // certificate pushes taken since init started this key exchange
  vxbase::crypto::SeedKey clientSchedule;    // built from clientKey for enciphering
  vxbase::crypto::SeedKey serverSchedule;    // built from serverKey16 for deciphering
  vxbase::crypto::HmacSha1Key clientMacKey;  // clientMac prepared for the records sent
  vxbase::crypto::HmacSha1Key serverMacKey;  // serverMac prepared for the records received
};

class EE_Session {
 public:
  EE_Session();
  ~EE_Session();
  EE_Session(const EE_Session& other);
  EE_Session& operator=(const EE_Session& other);

  // Starts a key exchange: reads up to 2,048 bytes of the certificate file (a device path, at
  // most 63 bytes) and resets the byte generator. A missing or unusable file is no failure: the
  // token then asks the server for its certificate. The seed arguments are not used. 0, or
  // EE_BAD_ARGUMENT for a missing or too long path.
  int init(const char* certPath, const unsigned char* seed, int seedLength);

  // Writes the client key token (34 bytes, plus the RSA block when a certificate is held).
  // Returns its length, EE_BAD_ARGUMENT, EE_OVERFLOW or EE_RSA_FAILED.
  int create_send_key(unsigned char* out, int outSize);

  // A server key token: derives the session keys and returns 0. A server certificate: checks
  // it against the authority table, stores it (also when it is the one already held) and
  // returns EE_RESEND_KEY: create_send_key again, without init, and send the new token. One
  // push is taken per key exchange; a second one gets EE_BAD_SERVER_CERT, so that a server
  // that answers every token with its certificate cannot keep the client going round.
  // Else a negative code.
  int analy_recv_key(const unsigned char* record, int length);

  // One data record of `length` bytes of `data` into `out`; returns the record length or a
  // negative code.
  int encode_data(unsigned char* out, int outSize, const unsigned char* data, int length);

  // Opens one data record of `length` bytes into `out`; returns the data length or a negative code.
  int decode_data(unsigned char* out, int outSize, const unsigned char* record, int length);

  bool initialised() const { return m_initialised != 0; }
  bool keys_agreed() const { return m_ctx.keysAgreed != 0; }

 protected:
  int m_initialised;
  EE_SessionContext m_ctx;
  vxbase::crypto::ByteGenerator m_generator;
};
