// The updater's protocol pieces on their own: comparison, names from the network, replies, the
// local list file and the joining of pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zrupdate/ver_protocol.h"

namespace {

using zru::MakeRecord;
using zru::RecordList;
using Bytes = std::vector<uint8_t>;

std::vector<std::string> Names(const RecordList& list) {
  std::vector<std::string> out;
  for (const auto& r : list) out.push_back(zru::RecordName(r));
  return out;
}

Bytes ListReply(const RecordList& records, uint32_t count) {
  Bytes out = {uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count)};
  out.resize(4 + records.size() * zru::kRecordSize);
  if (!records.empty()) std::memcpy(out.data() + 4, records.data(), records.size() * zru::kRecordSize);
  return out;
}

Bytes Piece(uint8_t kind, uint16_t pieces, uint16_t piece, size_t dataBytes, uint8_t fill = 0x5A) {
  const size_t length = zru::kHeaderSize + dataBytes;
  Bytes p = {uint8_t(length >> 8), uint8_t(length),     kind,          '4', 0, uint8_t(pieces >> 8),
             uint8_t(pieces),      uint8_t(piece >> 8), uint8_t(piece)};
  p.insert(p.end(), dataBytes, fill);
  return p;
}

// ---------------------------------------------------------------------------------------------

struct CompareCase {
  const char* what;
  RecordList local;
  bool downloaded;
};

TEST(VersionCompare, ServerRecordAgainstLocalList) {
  const auto server = MakeRecord('0', "ZR4105.dll", "070315", 10);
  const std::vector<CompareCase> cases = {
      {"empty local list", {}, true},
      {"name not in the local list", {MakeRecord('0', "ZR4106.dll", "070315", 10)}, true},
      {"equal version", {MakeRecord('0', "ZR4105.dll", "070315", 10)}, false},
      {"last byte greater on the server", {MakeRecord('0', "ZR4105.dll", "070314", 10)}, true},
      {"smaller on the server", {MakeRecord('0', "ZR4105.dll", "070316", 10)}, false},
      {"first byte decides over later ones", {MakeRecord('0', "ZR4105.dll", "170000", 10)}, false},
      {"names differ only in case", {MakeRecord('0', "zr4105.dll", "999999", 10)}, true},
  };
  for (const auto& c : cases) {
    const RecordList got = zru::SelectDownloads({server}, c.local);
    EXPECT_EQ(got.size(), c.downloaded ? 1u : 0u) << c.what;
  }
}

TEST(VersionCompare, KeepsServerOrderAndSkipsCurrentFiles) {
  const RecordList server = {MakeRecord('1', "a.dat", "070302", 1), MakeRecord('0', "b.dll", "070301", 1),
                             MakeRecord('0', "c.dll", "070301", 1)};
  const RecordList local = {MakeRecord('0', "c.dll", "070300", 1), MakeRecord('1', "a.dat", "070301", 1),
                            MakeRecord('0', "b.dll", "070301", 1)};
  EXPECT_EQ(Names(zru::SelectDownloads(server, local)), (std::vector<std::string>{"a.dat", "c.dll"}));
}

TEST(VersionNames, OnlyPlainNamesAreAccepted) {
  struct Case {
    std::string field;  // up to 31 bytes; shorter ones are NUL-padded
    bool plain;
  };
  const std::vector<Case> cases = {
      {"VXBase.dll", true},
      {"stock_code.dat", true},
      {std::string("\xC1\xBE\xB8\xF1.dat"), true},  // a Korean name in code page 949
      {"", false},
      {"..", false},
      {"a..b", false},
      {"..\\Windows\\evil.dll", false},
      {"../Windows/evil.dll", false},
      {"sub\\x.dll", false},
      {"C:x.dll", false},
      {std::string("a\tb"), false},
      {std::string("a\x7f"), false},
      {std::string(31, 'N'), false},  // no NUL within the field
      {std::string(30, 'N'), true},
  };
  for (const auto& c : cases) {
    char field[zru::kNameField] = {};
    std::memcpy(field, c.field.data(), c.field.size());
    EXPECT_EQ(zru::IsPlainName(field), c.plain) << "name [" << c.field << "]";
  }
}

TEST(VersionRequests, BytesOnTheWire) {
  uint8_t list[zru::kListRequestSize];
  ASSERT_EQ(zru::BuildListRequest(list), 10);
  EXPECT_EQ(Bytes(list, list + 10), (Bytes{0, 10, 1, '4', 0, 0, 1, 0, 1, 'E'}));

  uint8_t file[zru::kFileRequestSize];
  ASSERT_EQ(zru::BuildFileRequest(MakeRecord('1', "stock_code.dat", "070315", 9999), file), 41);
  Bytes want = {0, 41, 2, '4', 0, 0, 1, 0, 1, '1'};
  const std::string name = "stock_code.dat";
  want.insert(want.end(), name.begin(), name.end());
  want.resize(41, 0);
  EXPECT_EQ(Bytes(file, file + 41), want);
}

TEST(VersionReplies, ListCountMustFitItsData) {
  const RecordList records = {MakeRecord('1', "a.dat", "070301", 5), MakeRecord('0', "b.dll", "070301", 7)};
  RecordList out;
  ASSERT_TRUE(zru::ParseListReply(ListReply(records, 2).data(), 4 + 84, out));
  EXPECT_EQ(Names(out), (std::vector<std::string>{"a.dat", "b.dll"}));
  EXPECT_EQ(zru::RecordFileSize(out[1]), 7u);

  out.clear();
  EXPECT_FALSE(zru::ParseListReply(ListReply(records, 3).data(), 4 + 84, out));
  EXPECT_FALSE(zru::ParseListReply(ListReply(records, 0xFFFFFFFFu).data(), 4 + 84, out));
  EXPECT_FALSE(zru::ParseListReply(ListReply(records, 2).data(), 3, out));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(zru::ParseListReply(ListReply({}, 0).data(), 4, out));
  EXPECT_TRUE(out.empty());
}

TEST(VersionReplies, ListWithAnUnsafeNameIsRefusedWhole) {
  RecordList records = {MakeRecord('0', "good.dll", "070301", 5), MakeRecord('0', "x", "070301", 5)};
  std::memcpy(records[1].file_name, "..\\Windows\\evil.dll", 20);
  RecordList out;
  EXPECT_FALSE(zru::ParseListReply(ListReply(records, 2).data(), 4 + 84, out));
  EXPECT_TRUE(out.empty());
}

TEST(VersionReplies, FileReplyIsExactlyEchoAndSize) {
  const auto wanted = MakeRecord('0', "ZR4105.dll", "070315", 100);
  Bytes reply(32 + 100, 0x11);
  std::memset(reply.data(), 0, 32);
  reply[0] = '0';
  std::memcpy(reply.data() + 1, "ZR4105.dll", 10);
  EXPECT_TRUE(zru::CheckFileReply(reply.data(), reply.size(), wanted));
  EXPECT_FALSE(zru::CheckFileReply(reply.data(), reply.size() - 1, wanted));
  Bytes longer = reply;
  longer.push_back(0);
  EXPECT_FALSE(zru::CheckFileReply(longer.data(), longer.size(), wanted));

  Bytes otherName = reply;
  std::memcpy(otherName.data() + 1, "ZR4106.dll", 10);
  EXPECT_FALSE(zru::CheckFileReply(otherName.data(), otherName.size(), wanted));
  Bytes otherKind = reply;
  otherKind[0] = '1';
  EXPECT_FALSE(zru::CheckFileReply(otherKind.data(), otherKind.size(), wanted));
}

TEST(LocalList, RoundTripAndDamagedFiles) {
  const RecordList records = {MakeRecord('1', "a.dat", "070301", 5), MakeRecord('0', "b.dll", "070302", 7)};
  const Bytes file = zru::BuildLocalList(records);
  ASSERT_EQ(file.size(), 3u * 42);
  EXPECT_EQ(Bytes(file.begin() + 38, file.begin() + 42), (Bytes{2, 0, 0, 0}));  // count, little-endian
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 38), Bytes(38, 0));
  EXPECT_EQ(Names(zru::ParseLocalList(file.data(), file.size())), (std::vector<std::string>{"a.dat", "b.dll"}));

  struct Case {
    const char* what;
    Bytes bytes;
    size_t records;
  };
  Bytes bigCount = file;
  bigCount[41] = 0x7F;  // a count far beyond the file's size
  Bytes cut = file;
  cut.resize(file.size() - 1);
  Bytes extra = file;
  extra.insert(extra.end(), 42, 0);  // a spare record beyond the count is not read
  const std::vector<Case> cases = {
      {"empty file", {}, 0},
      {"shorter than the head", Bytes(41, 0), 0},
      {"head only", zru::BuildLocalList({}), 0},
      {"count beyond the file", bigCount, 0},
      {"last record cut", cut, 0},
      {"records beyond the count", extra, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zru::ParseLocalList(c.bytes.data(), c.bytes.size()).size(), c.records) << c.what;
}

TEST(LocalList, SavedRecordsReplaceOrAppend) {
  const RecordList local = {MakeRecord('1', "a.dat", "070301", 5), MakeRecord('0', "b.dll", "070301", 7)};
  const RecordList saved = {MakeRecord('0', "c.dll", "070315", 9), MakeRecord('0', "b.dll", "070315", 8)};
  const RecordList merged = zru::MergeRecords(local, saved);
  ASSERT_EQ(Names(merged), (std::vector<std::string>{"a.dat", "b.dll", "c.dll"}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(merged[1].file_version), 6), "070315");
  EXPECT_EQ(zru::RecordFileSize(merged[1]), 8u);
}

TEST(SaveDestination, ByKindAndCoreFile) {
  struct Case {
    char kind;
    const char* name;
    zru::Destination where;
  };
  const std::vector<Case> cases = {
      {'1', "stock_code.dat", zru::Destination::CodeFolder},
      {'1', "VXBase.dll", zru::Destination::CodeFolder},  // the kind decides first
      {'0', "menu.conf", zru::Destination::ProgramFolder},
      {'0', "ZR4105.dll", zru::Destination::ProgramFolder},
      {'0', "VXBase.dll", zru::Destination::RootFolder},
      {'0', "VXMain.exe", zru::Destination::RootFolder},
      {'0', "ZRUpdate.exe", zru::Destination::RootFolder},
      {'0', "VX0101.dll", zru::Destination::RootFolder},
      {'0', "Flitway.dll", zru::Destination::RootFolder},
      {'0', "Glimmet_DLL_arm.dll", zru::Destination::RootFolder},
      {'2', "vxmain.EXE", zru::Destination::RootFolder},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zru::DestinationOf(MakeRecord(c.kind, c.name, "070301", 1)), c.where) << c.kind << " " << c.name;
}

// ---------------------------------------------------------------------------------------------

TEST(PieceJoining, JoinsPiecesInOrder) {
  zru::PieceJoiner j;
  j.Begin(zru::kKindFile, 2 * 4087 + 10);
  EXPECT_EQ(j.Take(Piece(2, 3, 1, 4087, 1).data()), zru::PieceJoiner::kMore);
  EXPECT_EQ(j.Take(Piece(2, 3, 2, 4087, 2).data()), zru::PieceJoiner::kMore);
  EXPECT_EQ(j.Piece() * 100 / j.Pieces(), 66);
  EXPECT_EQ(j.Take(Piece(2, 3, 3, 10, 3).data()), zru::PieceJoiner::kComplete);
  ASSERT_EQ(j.Size(), 2u * 4087 + 10);
  EXPECT_EQ(j.Data()[0], 1);
  EXPECT_EQ(j.Data()[4087], 2);
  EXPECT_EQ(j.Data()[2 * 4087 + 9], 3);
  EXPECT_FALSE(j.Active());
}

TEST(PieceJoining, RefusesPiecesThatBreakTheReply) {
  struct Case {
    const char* what;
    std::vector<Bytes> pieces;  // the last one is refused
  };
  const std::vector<Case> cases = {
      {"second piece first", {Piece(2, 2, 2, 10)}},
      {"piece repeated", {Piece(2, 3, 1, 10), Piece(2, 3, 1, 10)}},
      {"number of pieces zero", {Piece(2, 0, 1, 10)}},
      {"piece number zero", {Piece(2, 1, 0, 10)}},
      {"piece number beyond the count", {Piece(2, 1, 2, 10)}},
      {"number of pieces changes", {Piece(2, 2, 1, 10), Piece(2, 3, 2, 10)}},
      {"other kind", {Piece(1, 1, 1, 10)}},
      {"more data than the reply may hold", {Piece(2, 2, 1, 4087), Piece(2, 2, 2, 4087)}},
  };
  for (const auto& c : cases) {
    zru::PieceJoiner j;
    j.Begin(zru::kKindFile, 5000);
    for (size_t i = 0; i + 1 < c.pieces.size(); ++i)
      ASSERT_EQ(j.Take(c.pieces[i].data()), zru::PieceJoiner::kMore) << c.what;
    EXPECT_EQ(j.Take(c.pieces.back().data()), zru::PieceJoiner::kFailed) << c.what;
    EXPECT_FALSE(j.Active()) << c.what;
  }
}

TEST(PieceJoining, NoPieceAllocates) {
  zru::PieceJoiner j;
  j.Begin(zru::kKindList, 4 + 4096u * 42);
  const uint8_t* room = j.Data();
  for (uint16_t i = 1; i <= 42; ++i) ASSERT_NE(j.Take(Piece(1, 42, i, 4087).data()), zru::PieceJoiner::kFailed);
  EXPECT_EQ(j.Data(), room);  // joined in the room set up with the request
}

}  // namespace
