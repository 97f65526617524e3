// Version-server packets, list comparison and the local list file.
#include "zrupdate/ver_protocol.h"

#include <algorithm>
#include <cstring>

namespace zru {
namespace {

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t GetU32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void PutHeader(uint8_t* p, uint16_t length, uint8_t kind) {
  PutU16(p, length);
  p[2] = kind;
  p[3] = '4';
  p[4] = 0;
  PutU16(p + 5, 1);
  PutU16(p + 7, 1);
}

size_t NameLength(const char* field) {
  const void* nul = std::memchr(field, 0, kNameField);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : kNameField;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

VER_FILE_RECORD MakeRecord(char kind, const std::string& name, const std::string& version, uint32_t size) {
  VER_FILE_RECORD r{};
  r.file_kind = kind;
  std::memcpy(r.file_name, name.data(), std::min(name.size(), sizeof r.file_name));
  std::memcpy(r.file_version, version.data(), std::min(version.size(), sizeof r.file_version));
  r.file_size[0] = static_cast<unsigned char>(size >> 24);
  r.file_size[1] = static_cast<unsigned char>(size >> 16);
  r.file_size[2] = static_cast<unsigned char>(size >> 8);
  r.file_size[3] = static_cast<unsigned char>(size);
  return r;
}

uint32_t RecordFileSize(const VER_FILE_RECORD& r) { return GetU32(r.file_size); }

std::string RecordName(const VER_FILE_RECORD& r) { return std::string(r.file_name, NameLength(r.file_name)); }

bool IsPlainName(const char (&field)[kNameField]) {
  const void* nul = std::memchr(field, 0, kNameField);
  if (!nul) return false;
  const size_t n = static_cast<size_t>(static_cast<const char*>(nul) - field);
  if (n == 0) return false;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(field[i]);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':') return false;
    if (c == '.' && i + 1 < n && field[i + 1] == '.') return false;
  }
  return true;
}

bool SameName(const VER_FILE_RECORD& a, const VER_FILE_RECORD& b) {
  const size_t n = NameLength(a.file_name);
  return n == NameLength(b.file_name) && std::memcmp(a.file_name, b.file_name, n) == 0;
}

bool IsNewerVersion(const VER_FILE_RECORD& server, const VER_FILE_RECORD& local) {
  return std::memcmp(server.file_version, local.file_version, kVersionField) > 0;
}

RecordList SelectDownloads(const RecordList& server, const RecordList& local) {
  RecordList out;
  for (const VER_FILE_RECORD& s : server) {
    auto same = std::find_if(local.begin(), local.end(), [&](const VER_FILE_RECORD& l) { return SameName(s, l); });
    if (same == local.end() || IsNewerVersion(s, *same)) out.push_back(s);
  }
  return out;
}

RecordList MergeRecords(const RecordList& local, const RecordList& saved) {
  RecordList out = local;
  for (const VER_FILE_RECORD& s : saved) {
    auto same = std::find_if(out.begin(), out.end(), [&](const VER_FILE_RECORD& l) { return SameName(s, l); });
    if (same != out.end())
      *same = s;
    else
      out.push_back(s);
  }
  return out;
}

int BuildListRequest(uint8_t (&out)[kListRequestSize]) {
  PutHeader(out, kListRequestSize, kKindList);
  out[9] = 'E';
  return kListRequestSize;
}

int BuildFileRequest(const VER_FILE_RECORD& wanted, uint8_t (&out)[kFileRequestSize]) {
  PutHeader(out, kFileRequestSize, kKindFile);
  out[9] = static_cast<uint8_t>(wanted.file_kind);
  // The name as a NUL-terminated field: whatever follows the name is sent as zeros.
  std::memset(out + 10, 0, kNameField);
  std::memcpy(out + 10, wanted.file_name, std::min<size_t>(NameLength(wanted.file_name), kNameField - 1));
  return kFileRequestSize;
}

bool ParseListReply(const uint8_t* data, size_t size, RecordList& out) {
  if (!data || size < 4) return false;
  const uint32_t count = GetU32(data);
  if (count > kMaxListRecords || count > (size - 4) / kRecordSize) return false;
  RecordList records(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::memcpy(&records[i], data + 4 + static_cast<size_t>(i) * kRecordSize, kRecordSize);
    if (!IsPlainName(records[i].file_name)) return false;
    if (RecordFileSize(records[i]) > kMaxFileSize) return false;
  }
  out.insert(out.end(), records.begin(), records.end());
  return true;
}

bool CheckFileReply(const uint8_t* data, size_t size, const VER_FILE_RECORD& wanted) {
  if (!data || size != kEchoSize + static_cast<size_t>(RecordFileSize(wanted))) return false;
  VER_FILE_RECORD echo{};
  std::memcpy(&echo, data, kEchoSize);
  if (echo.file_kind != wanted.file_kind || !IsPlainName(echo.file_name)) return false;
  return SameName(echo, wanted);
}

RecordList ParseLocalList(const uint8_t* data, size_t size) {
  if (!data || size < kRecordSize) return {};
  const uint32_t count = static_cast<uint32_t>(data[38]) | (static_cast<uint32_t>(data[39]) << 8) |
                         (static_cast<uint32_t>(data[40]) << 16) | (static_cast<uint32_t>(data[41]) << 24);
  if (count > (size - kRecordSize) / kRecordSize) return {};
  RecordList out(count);
  if (count) std::memcpy(out.data(), data + kRecordSize, static_cast<size_t>(count) * kRecordSize);
  return out;
}

std::vector<uint8_t> BuildLocalList(const RecordList& records) {
  std::vector<uint8_t> out(kRecordSize + records.size() * kRecordSize, 0);
  const uint32_t count = static_cast<uint32_t>(records.size());
  out[38] = static_cast<uint8_t>(count);
  out[39] = static_cast<uint8_t>(count >> 8);
  out[40] = static_cast<uint8_t>(count >> 16);
  out[41] = static_cast<uint8_t>(count >> 24);
  if (!records.empty()) std::memcpy(out.data() + kRecordSize, records.data(), records.size() * kRecordSize);
  return out;
}

bool IsCoreFile(const std::string& name) {
  static const char* const kCore[] = {"VXBase.dll", "VXMain.exe",  "ZRUpdate.exe",
                                      "VX0101.dll", "Flitway.dll", "Glimmet_DLL_arm.dll"};
  // Device file names are matched without regard to case, so a core file in another case is
  // still a core file.
  for (const char* core : kCore)
    if (EqualNoCase(name, core)) return true;
  return false;
}

Destination DestinationOf(const VER_FILE_RECORD& r) {
  if (r.file_kind == '1') return Destination::CodeFolder;
  if (IsCoreFile(RecordName(r))) return Destination::RootFolder;
  return Destination::ProgramFolder;
}

void PieceJoiner::Begin(uint8_t kind, size_t limit) {
  m_data.clear();
  m_data.reserve(limit);
  m_limit = limit;
  m_kind = kind;
  m_piece = 0;
  m_pieces = 0;
  m_active = true;
}

void PieceJoiner::Reset() {
  m_data.clear();
  m_active = false;
  m_piece = 0;
  m_pieces = 0;
}

PieceJoiner::Result PieceJoiner::Take(const uint8_t* packet) {
  if (!m_active || !packet) return kFailed;
  const uint16_t length = GetU16(packet);
  const uint16_t pieces = GetU16(packet + 5);
  const uint16_t piece = GetU16(packet + 7);
  bool ok = length >= kHeaderSize && length <= kMaxPacket && packet[2] == m_kind && pieces >= 1 &&
            piece == m_piece + 1 && piece <= pieces && (m_piece == 0 || pieces == m_pieces);
  const size_t dataBytes = ok ? static_cast<size_t>(length - kHeaderSize) : 0;
  if (ok && m_data.size() + dataBytes > m_limit) ok = false;
  if (!ok) {
    Reset();
    return kFailed;
  }
  m_pieces = pieces;
  m_piece = piece;
  m_data.insert(m_data.end(), packet + kHeaderSize, packet + kHeaderSize + dataBytes);
  if (m_piece < m_pieces) return kMore;
  m_active = false;
  return kComplete;
}

}  // namespace zru
