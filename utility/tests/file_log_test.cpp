#include "glimmet/file_log.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "device_fixture.h"

using FileLogTest = DeviceTest;

TEST_F(FileLogTest, AppendsOneTimeStampedLinePerCall) {
  SetClock(2004, 3, 15, 9, 5, 7);
  lib_file_log("\\vx_main.txt", 120, "main", "connected");
  EXPECT_EQ(ReadHost("vx_main.txt"), "[2004.03.15 09:05:07]main(120) | connected\r\n");
  plat::clock::Advance(61000);
  lib_file_log("\\vx_main.txt", 0, "", "socket %d code %s", 5, "00");
  lib_file_log("\\vx_main.txt", -3, nullptr, "%s", "x");
  EXPECT_EQ(ReadHost("vx_main.txt"),
            "[2004.03.15 09:05:07]main(120) | connected\r\n"
            "[2004.03.15 09:06:08](0) | socket 5 code 00\r\n"
            "[2004.03.15 09:06:08](-3) | x\r\n");
}

TEST_F(FileLogTest, IgnoresMissingNameOrFormat) {
  lib_file_log(nullptr, 1, "a", "x");
  lib_file_log("", 1, "a", "x");
  lib_file_log("\\a.txt", 1, "a", nullptr);
  EXPECT_FALSE(std::filesystem::exists(HostFile("a.txt")));
  // A name longer than 255 characters is not cut into the name of some other file.
  std::string longName = "\\" + std::string(300, 'n');
  lib_file_log(longName.c_str(), 1, "a", "x");
  for (const auto& entry : std::filesystem::directory_iterator(root_))
    EXPECT_NE(entry.path().filename().string().rfind("nnnn", 0), 0u) << entry.path();
}

TEST_F(FileLogTest, LongLinesAreCutOnACharacterBoundary) {
  SetClock(2004, 3, 15, 9, 5, 7);
  // Prefix "[2004.03.15 09:05:07]s(1) | " is 28 bytes; 2,019 more make 2,047: after 2,018 bytes
  // of text only one is left, too few for the double-byte character that follows.
  std::string text = std::string(2018, 'a') + "\xC7\xD1" + std::string(50, 'b');
  lib_file_log("\\long.txt", 1, "s", "%s", text.c_str());
  std::string line = ReadHost("long.txt");
  ASSERT_GE(line.size(), 2u);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
  EXPECT_EQ(line.size() - 2, 28u + 2018u);
  std::string longSource(200, 's');
  lib_file_log("\\prefix.txt", 1, longSource.c_str(), "tail");
  std::string p = ReadHost("prefix.txt");
  EXPECT_EQ(p.size(), static_cast<size_t>(FILE_LOG_PREFIX_MAX) + 4 + 2);
  EXPECT_EQ(p.substr(p.size() - 6), "tail\r\n");
}

TEST_F(FileLogTest, WriteAppendLoadAndSizes) {
  EXPECT_EQ(data_write_file("\\Temp\\f.bin", "abc", 3), -1);  // folder missing
  EXPECT_EQ(data_write_file("\\f.bin", "abcdef", 6), 0);
  EXPECT_EQ(data_write_file("\\f.bin", "xy", 2), 0);  // replaces the content
  EXPECT_EQ(data_append_file("\\F.BIN", "z", 1), 0);  // names are case-blind
  EXPECT_EQ(ReadHost("f.bin"), "xyz");
  EXPECT_EQ(get_file_size_nm("\\f.bin"), 3);
  EXPECT_EQ(get_file_size_nm("\\none.bin"), -1);
  EXPECT_EQ(data_append_file("\\f.bin", "z", 0), -1);
  EXPECT_EQ(data_append_file("\\f.bin", nullptr, 1), -1);
  EXPECT_EQ(data_append_file(nullptr, "z", 1), -1);

  int size = -1;
  char* whole = static_cast<char*>(load_full_file("\\f.bin", &size, 1));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(size, 3);
  EXPECT_STREQ(whole, "xyz");
  std::free(whole);
  EXPECT_EQ(load_full_file("\\none.bin", &size, 1), nullptr);

  WriteHost("empty.bin", "");
  size = -1;
  char* empty = static_cast<char*>(load_full_file("\\empty.bin", &size, 1));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(empty[0], '\0');
  std::free(empty);
}

TEST_F(FileLogTest, ExactReadsAndWritesThroughAHandle) {
  WriteHost("forty.bin", std::string(40, 'q'));
  HANDLE h = create_file_char("\\forty.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buf[100];
  EXPECT_EQ(readn_data_handle(h, buf, 100), 0);  // end of file before 100 bytes
  EXPECT_EQ(get_file_size_handle(h), 40);
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  EXPECT_EQ(readn_data_handle(h, buf, 40), 40);
  EXPECT_EQ(readn_data_handle(h, buf, 0), 0);
  EXPECT_EQ(readn_data_handle(h, nullptr, 4), -1);
  CloseHandle(h);
  EXPECT_EQ(readn_data_handle(INVALID_HANDLE_VALUE, buf, 4), -1);

  h = create_file_char("\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(writen_data_handle(h, "12345", 5), 5);
  EXPECT_EQ(get_file_size_handle(h), 5);
  CloseHandle(h);
  EXPECT_EQ(ReadHost("out.bin"), "12345");
  EXPECT_EQ(create_file_char("", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(create_file_char(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

// The log keeps its file open between lines; every line must still land in the file that the
// name names at that moment, whatever happened to the file in between.
TEST_F(FileLogTest, ALineLandsInTheFileOfItsNameAfterTheFileWasRemovedReplacedOrTruncated) {
  SetClock(2004, 3, 15, 9, 5, 7);
  const std::string stamp = "[2004.03.15 09:05:07]t(1) | ";
  lib_file_log("\\trace.txt", 1, "t", "one");
  EXPECT_EQ(ReadHost("trace.txt"), stamp + "one\r\n");
  // Another writer appends: the next line follows what it wrote.
  ASSERT_EQ(data_append_file("\\trace.txt", "ab", 2), 0);
  lib_file_log("\\trace.txt", 1, "t", "one more");
  EXPECT_EQ(ReadHost("trace.txt"), stamp + "one\r\nab" + stamp + "one more\r\n");

  std::filesystem::remove(HostFile("trace.txt"));
  lib_file_log("\\trace.txt", 1, "t", "two");
  EXPECT_EQ(ReadHost("trace.txt"), stamp + "two\r\n");

  // Replaced by another file moved over it.
  WriteHost("new.txt", "other\r\n");
  std::filesystem::rename(HostFile("new.txt"), HostFile("trace.txt"));
  lib_file_log("\\trace.txt", 1, "t", "three");
  EXPECT_EQ(ReadHost("trace.txt"), "other\r\n" + stamp + "three\r\n");

  // Cut short in place by another writer: the next line follows the new end, with no gap.
  ASSERT_EQ(data_write_file("\\trace.txt", "x", 1), 0);
  lib_file_log("\\trace.txt", 1, "t", "four");
  EXPECT_EQ(ReadHost("trace.txt"), "x" + stamp + "four\r\n");

  // Renamed away: the old file keeps what it had, the name gets a new file.
  std::filesystem::rename(HostFile("trace.txt"), HostFile("old.txt"));
  lib_file_log("\\trace.txt", 1, "t", "five");
  EXPECT_EQ(ReadHost("old.txt"), "x" + stamp + "four\r\n");
  EXPECT_EQ(ReadHost("trace.txt"), stamp + "five\r\n");

  // Device names are case-blind: after the file was replaced by one spelt otherwise, the name
  // reaches that one.
  std::filesystem::remove(HostFile("trace.txt"));
  WriteHost("TRACE.TXT", "");
  lib_file_log("\\trace.txt", 1, "t", "six");
  EXPECT_EQ(ReadHost("TRACE.TXT"), stamp + "six\r\n");
  EXPECT_FALSE(std::filesystem::exists(HostFile("trace.txt")));

  // Under another device root the name is a file of that root.
  std::string other = root_ + "-other";
  plat::SetDeviceRoot(other);
  lib_file_log("\\trace.txt", 1, "t", "seven");
  std::ifstream in(other + "/trace.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), stamp + "seven\r\n");
  plat::SetDeviceRoot(root_);
  std::filesystem::remove_all(other);
  EXPECT_EQ(ReadHost("TRACE.TXT"), stamp + "six\r\n");
}

TEST_F(FileLogTest, LinesToManyFilesKeepTheirOrderAndAThreadLeavesNoFileOpen) {
  auto openFiles = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
  };
  auto before = openFiles();
  std::thread writer([] {
    for (int round = 0; round < 3; ++round)
      for (int f = 0; f < 6; ++f) {  // more files than the log keeps open at once
        std::string name = "\\f" + std::to_string(f) + ".txt";
        lib_file_log(name.c_str(), round, "", "line %d", round);
      }
  });
  writer.join();
  EXPECT_EQ(openFiles(), before);
  for (int f = 0; f < 6; ++f) {
    std::string content = ReadHost("f" + std::to_string(f) + ".txt");
    std::string expected;
    for (int round = 0; round < 3; ++round)
      expected += "(" + std::to_string(round) + ") | line " + std::to_string(round) + "\r\n";
    // Lines without their time stamps, in the order written.
    std::string lines;
    for (size_t at = 0; at < content.size();) {
      size_t end = content.find("\r\n", at);
      ASSERT_NE(end, std::string::npos);
      lines += content.substr(content.find(']', at) + 1, end + 2 - content.find(']', at) - 1);
      at = end + 2;
    }
    EXPECT_EQ(lines, expected) << f;
  }
}

TEST_F(FileLogTest, ABatchWritesTheSameLinesInOrderWhenItEnds) {
  SetClock(2004, 3, 15, 9, 5, 7);
  const std::string stamp = "[2004.03.15 09:05:07]";
  auto line = [&](int n, const char* text) { return stamp + "b(" + std::to_string(n) + ") | " + text + "\r\n"; };
  lib_file_log("\\a.txt", 1, "b", "before");
  {
    FileLogBatch batch;
    lib_file_log("\\a.txt", 2, "b", "one");
    lib_file_log("\\a.txt", 3, "b", "two");
    EXPECT_EQ(ReadHost("a.txt"), line(1, "before"));  // gathered, not yet written
    {
      FileLogBatch inner;
      lib_file_log("\\a.txt", 4, "b", "three");
    }
    EXPECT_EQ(ReadHost("a.txt"), line(1, "before"));  // the outer batch still gathers
    // A line to another file writes what was gathered for the first one.
    lib_file_log("\\b.txt", 5, "b", "other");
    EXPECT_EQ(ReadHost("a.txt"), line(1, "before") + line(2, "one") + line(3, "two") + line(4, "three"));
    EXPECT_FALSE(std::filesystem::exists(HostFile("b.txt")));
    lib_file_log("\\a.txt", 6, "b", "back");
    // Long lines: the gathered ones go out before the room runs out, all in order.
    for (int i = 0; i < 6; ++i) lib_file_log("\\a.txt", 7, "b", "%s", std::string(2000, 'x').c_str());
    lib_file_log("\\missing\\c.txt", 8, "b", "lost");  // a folder that does not exist: nothing
  }
  std::string expected = line(1, "before") + line(2, "one") + line(3, "two") + line(4, "three") + line(6, "back");
  for (int i = 0; i < 6; ++i) expected += line(7, std::string(2000, 'x').c_str());
  EXPECT_EQ(ReadHost("a.txt"), expected);
  EXPECT_EQ(ReadHost("b.txt"), line(5, "other"));
  EXPECT_FALSE(std::filesystem::exists(HostFile("missing")));
  // Without a batch every line is in the file at once again.
  lib_file_log("\\b.txt", 9, "b", "after");
  EXPECT_EQ(ReadHost("b.txt"), line(5, "other") + line(9, "after"));
}
