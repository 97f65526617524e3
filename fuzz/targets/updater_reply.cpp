// The updater's handling of version-server replies: pieces joined in order, then the joined list
// reply or file reply checked; and the local version list file read, written and read again.
//
// Input: byte 0 (bit 0: a file reply, else a list reply; bit 1: the rest is the local list file),
// bytes 1-4 the size of the wanted file (file replies), then the byte stream of reply pieces.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zrupdate/ver_protocol.h"

using namespace zru;

namespace {

void CheckLocalList(const uint8_t* data, size_t size) {
  RecordList records = ParseLocalList(size ? data : nullptr, size);
  if (records.size() > size / kRecordSize) std::abort();
  // What is written reads back the same.
  std::vector<uint8_t> bytes = BuildLocalList(records);
  if (bytes.size() != size_t(kRecordSize) * (records.size() + 1)) std::abort();
  RecordList again = ParseLocalList(bytes.data(), bytes.size());
  if (again.size() != records.size() ||
      (!records.empty() && std::memcmp(again.data(), records.data(), records.size() * kRecordSize) != 0))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint8_t mode = data[0];
  const uint32_t wantedSize =
      (uint32_t(data[1]) << 24 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 8 | data[4]) % (64 * 1024);
  data += 5;
  size -= 5;
  if (mode & 2) {
    CheckLocalList(data, size);
    return 0;
  }

  const bool file = mode & 1;
  const VER_FILE_RECORD wanted = MakeRecord('2', "ZR4101.dll", "000102", wantedSize);
  const size_t limit = file ? kEchoSize + size_t(wantedSize) : 4 + size_t(kMaxListRecords) * kRecordSize;
  PieceJoiner joiner;
  joiner.Begin(file ? kKindFile : kKindList, limit);

  std::vector<uint8_t> joined;  // what the pieces taken so far carry
  size_t pos = 0;
  PieceJoiner::Result result = PieceJoiner::kMore;
  while (result == PieceJoiner::kMore && size - pos >= kHeaderSize) {
    const size_t length = size_t(data[pos] << 8 | data[pos + 1]);
    if (length < size_t(kHeaderSize) || length > size - pos) break;  // the receive thread drops these
    // Exactly the packet's own bytes: a read past them is caught.
    std::vector<uint8_t> packet(data + pos, data + pos + length);
    result = joiner.Take(packet.data());
    if (result != PieceJoiner::kFailed) joined.insert(joined.end(), packet.begin() + kHeaderSize, packet.end());
    pos += length;
  }
  if (result == PieceJoiner::kFailed) {
    if (joiner.Active()) std::abort();
    return 0;
  }
  if (joiner.Size() > limit || joiner.Size() != joined.size() ||
      (!joined.empty() && std::memcmp(joiner.Data(), joined.data(), joined.size()) != 0))
    std::abort();
  if (result != PieceJoiner::kComplete) return 0;

  if (file) {
    if (CheckFileReply(joiner.Data(), joiner.Size(), wanted) && joiner.Size() != kEchoSize + size_t(wantedSize))
      std::abort();
  } else {
    RecordList records;
    if (ParseListReply(joiner.Data(), joiner.Size(), records)) {
      for (const VER_FILE_RECORD& r : records)
        if (!IsPlainName(r.file_name) || RecordFileSize(r) > kMaxFileSize) std::abort();
      RecordList local = ParseLocalList(nullptr, 0);
      RecordList fetch = SelectDownloads(records, local);
      if (fetch.size() > records.size()) std::abort();
      RecordList merged = MergeRecords(local, fetch);
      if (merged.size() > records.size()) std::abort();
      std::vector<uint8_t> bytes = BuildLocalList(merged);
      CheckLocalList(bytes.data(), bytes.size());
    } else if (!records.empty()) {
      std::abort();  // a refused reply adds nothing
    }
  }
  return 0;
}
