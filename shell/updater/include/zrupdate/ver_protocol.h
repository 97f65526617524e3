// The updater's own protocol with the version server, and the version lists it keeps.
//
// Every packet, in both directions, starts with a 9-byte header:
//   0-1 big-endian length of the whole packet, header included (at most 4,096)
//   2   kind: 1 list, 2 file
//   3   '4'
//   4   0
//   5-6 big-endian number of pieces (1 in requests)
//   7-8 big-endian piece number, from 1
// A list request is the header and 'E' (10 bytes); a file request is the header and the first
// 32 bytes of the wanted record (kind and name, 41 bytes). A reply comes in pieces of at most
// 4,087 data bytes that are joined in order: a list reply is a big-endian count and that many
// VER_FILE_RECORDs, a file reply the wanted record's kind and name (32 bytes) and the file.
//
// The local list file holds a 42-byte head record (all zero but the record count, little-endian,
// in bytes 38-41) and then the records as the server sent them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zru {

inline constexpr int kHeaderSize = 9;
inline constexpr int kMaxPacket = 4096;
inline constexpr int kPieceData = kMaxPacket - kHeaderSize;  // 4,087
inline constexpr int kRecordSize = 42;
inline constexpr int kNameField = 31;
inline constexpr int kVersionField = 6;
inline constexpr int kEchoSize = 32;  // kind and name in front of a file reply
inline constexpr uint8_t kKindList = 1;
inline constexpr uint8_t kKindFile = 2;
inline constexpr int kListRequestSize = 10;
inline constexpr int kFileRequestSize = 41;
// Bounds of what a reply may make the updater hold.
inline constexpr uint32_t kMaxListRecords = 4096;
inline constexpr uint32_t kMaxFileSize = 32u * 1024u * 1024u;

// One file of a version list.
struct VER_FILE_RECORD {
  char file_kind;                             // '1' item-code list file, else a program file
  char file_name[kNameField];                 // NUL-terminated
  unsigned char file_version[kVersionField];  // compared byte by byte, the larger is newer
  unsigned char file_size[4];                 // big-endian
};
static_assert(sizeof(VER_FILE_RECORD) == kRecordSize, "a version record is 42 bytes on the wire");

using RecordList = std::vector<VER_FILE_RECORD>;

// A record from its fields (tests and tools).
VER_FILE_RECORD MakeRecord(char kind, const std::string& name, const std::string& version, uint32_t size);
uint32_t RecordFileSize(const VER_FILE_RECORD& r);
// The name up to its NUL (at most 31 bytes).
std::string RecordName(const VER_FILE_RECORD& r);

// A name from the network is used only when it is a plain file name: a NUL within the field,
// not empty, no '\', '/', ':', "..", and no control characters.
bool IsPlainName(const char (&field)[kNameField]);

bool SameName(const VER_FILE_RECORD& a, const VER_FILE_RECORD& b);
// True when the server's version is greater, byte by byte, than the local one.
bool IsNewerVersion(const VER_FILE_RECORD& server, const VER_FILE_RECORD& local);

// The server records to fetch: those whose name the local list lacks, and those whose version is
// greater than the local record of the same name. Server order is kept.
RecordList SelectDownloads(const RecordList& server, const RecordList& local);

// The local list after a download: `saved` records replace the local record of the same name or
// are added after the local records.
RecordList MergeRecords(const RecordList& local, const RecordList& saved);

// Requests. Each returns the number of bytes written (10 or 41).
int BuildListRequest(uint8_t (&out)[kListRequestSize]);
int BuildFileRequest(const VER_FILE_RECORD& wanted, uint8_t (&out)[kFileRequestSize]);

// A joined list reply: the count must fit the data and every name must be plain; false otherwise
// (nothing is added to `out` then).
bool ParseListReply(const uint8_t* data, size_t size, RecordList& out);
// A joined file reply for `wanted`: exactly 32 + file_size bytes, and the echoed kind and name are
// those of the record asked for.
bool CheckFileReply(const uint8_t* data, size_t size, const VER_FILE_RECORD& wanted);

// The local list file's bytes. The count is limited by the file's size: a file too short for its
// head record, or whose count announces more records than it holds, is damaged and counts as
// empty (every served file is then fetched again).
RecordList ParseLocalList(const uint8_t* data, size_t size);
std::vector<uint8_t> BuildLocalList(const RecordList& records);

// Core files: the updater leaves them in the root folder and the launcher moves them into place.
bool IsCoreFile(const std::string& name);

enum class Destination {
  CodeFolder,     // item-code files: [CODE INFO] "CODE BASE"
  RootFolder,     // core files: "\" + name, replaced by the launcher
  ProgramFolder,  // any other program file: [SETUP INFO] "SETUP EXE"
};
Destination DestinationOf(const VER_FILE_RECORD& r);

// Joins the pieces of one reply. Room for the reply is set up when the request goes out, so no
// piece allocates.
class PieceJoiner {
 public:
  enum Result { kMore, kComplete, kFailed };

  // Expects a reply of `kind` of at most `limit` data bytes.
  void Begin(uint8_t kind, size_t limit);
  void Reset();
  bool Active() const { return m_active; }
  uint8_t Kind() const { return m_kind; }

  // Takes one packet (header included; its length is the header's). A piece is taken only
  // when it is the reply's kind, its number of pieces is at least 1 and the same as in the
  // first piece, its piece number is the next one, and the joined data stay within the limit.
  Result Take(const uint8_t* packet);

  int Piece() const { return m_piece; }
  int Pieces() const { return m_pieces; }
  const uint8_t* Data() const { return m_data.data(); }
  size_t Size() const { return m_data.size(); }

 private:
  std::vector<uint8_t> m_data;
  size_t m_limit = 0;
  uint8_t m_kind = 0;
  int m_piece = 0;
  int m_pieces = 0;
  bool m_active = false;
};

}  // namespace zru
