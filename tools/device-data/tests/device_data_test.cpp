// Checks the sample device data by the rules its readers apply: the configuration file's
// sections and keys, the menu file's four fields, the item-code list layouts, and the updater's
// local version list against what the simulated version server offers.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <set>
#include <sstream>

#include "devicedata/sample_device.h"
#include "simver/version_server.h"

namespace fs = std::filesystem;

namespace {

const std::string kSource = DEVICE_DATA_SOURCE;
const std::string kBin = kSource + "/Program Files/Quorvan/Bin/";
const std::string kCode = kSource + "/Program Files/Quorvan/Code/";

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Text lines of a handheld file: every line ends with CR LF; the CR LF is removed.
std::vector<std::string> crlfLines(const std::string& path) {
  std::string text = readAll(path);
  std::vector<std::string> lines;
  EXPECT_TRUE(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) << path << " ends without CR LF";
  size_t from = 0;
  for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
    EXPECT_TRUE(nl > from && text[nl - 1] == '\r') << path << ": bare LF at byte " << nl;
    lines.push_back(text.substr(from, nl - from - (nl > from ? 1 : 0)));
  }
  return lines;
}

std::string trim(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '\t'), s.end());
  s.erase(std::remove(s.begin(), s.end(), '\n'), s.end());
  size_t b = s.find_first_not_of(" \r"), e = s.find_last_not_of(" \r");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Code page 949 text decoded to UTF-8; empty optional-like flag when the bytes are not valid.
bool fromCp949(const std::string& in, std::string& out) {
  iconv_t cd = iconv_open("UTF-8", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buf(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size(), dstLeft = buf.size();
  char* dst = buf.data();
  bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.assign(buf.data(), dst);
  return ok;
}

// The configuration reader's rules: "/*" lines skipped, a "[" opens a section, key=value else;
// names compared upper-cased; the first entry wins.
std::map<std::pair<std::string, std::string>, std::string> readConfig(const std::string& path) {
  std::map<std::pair<std::string, std::string>, std::string> out;
  std::string section;
  for (const std::string& raw : crlfLines(path)) {
    std::string line = trim(raw);
    if (line.empty() || line.find("/*") != std::string::npos) continue;
    size_t br = line.find('[');
    if (br != std::string::npos) {
      size_t close = line.find(']', br);
      section = close == std::string::npos ? "" : upper(trim(line.substr(br + 1, close - br - 1)));
      continue;
    }
    size_t eq = line.find('=');
    std::string key = eq == std::string::npos ? "" : upper(trim(line.substr(0, eq)));
    std::string value = eq == std::string::npos ? line : trim(line.substr(eq + 1));
    out.emplace(std::make_pair(section, key), value);
  }
  return out;
}

using Config = std::map<std::pair<std::string, std::string>, std::string>;
std::string get(const Config& c, const std::string& section, const std::string& key) {
  auto it = c.find({section, key});
  return it == c.end() ? "" : it->second;
}

TEST(DeviceData, ConfigurationHasEveryKeyTheProgramsRead) {
  auto conf = readConfig(kBin + "Pelvato.conf");
  const std::pair<const char*, const char*> keys[] = {
      {"SERVER INFO", "INTERNET SERVER"}, {"SERVER INFO", "SKT SERVER"},       {"SERVER INFO", "KTF SERVER"},
      {"SERVER INFO", "LGT SERVER"},      {"SERVER INFO", "MAIN PORT NUMBER"}, {"SERVER INFO", "VERMAN PORT NUMBER"},
      {"SETUP INFO", "SETUP EXE"},        {"SETUP INFO", "SETUP BASE"},        {"CODE INFO", "CODE BASE"},
      {"CODE INFO", "STOCK CODE"},        {"CODE INFO", "ECN CODE"},           {"CODE INFO", "FUTURES CODE"},
      {"CODE INFO", "OPTIONS CODE"},      {"UPDATE INFO", "LIST FILE"},        {"UPDATE INFO", "MAIN FILE"},
      {"UPDATE INFO", "UPDATE FILE"},     {"UPDATE INFO", "BASE FILE"},        {"UPDATE INFO", "LOGIN FILE"},
      {"UPDATE INFO", "QMOVE FILE"},      {"UPDATE INFO", "UTIL FILE"},
  };
  for (auto [section, key] : keys) EXPECT_FALSE(get(conf, section, key).empty()) << section << " / " << key;

  // Each carrier has its own address, so a test sees which key the client used.
  std::set<std::string> addresses;
  for (const char* k : {"INTERNET SERVER", "SKT SERVER", "KTF SERVER", "LGT SERVER"})
    addresses.insert(get(conf, "SERVER INFO", k));
  EXPECT_EQ(addresses, (std::set<std::string>{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  for (const char* k : {"MAIN PORT NUMBER", "VERMAN PORT NUMBER"}) {
    const std::string& v = get(conf, "SERVER INFO", k);
    EXPECT_TRUE(!v.empty() && v.find_first_not_of("0123456789") == std::string::npos) << k << "=" << v;
    EXPECT_LT(std::stoi(v), 65536) << k;
  }
  // The launcher joins the program folder and these values directly: each carries its separator.
  for (const char* k : {"MAIN FILE", "UPDATE FILE", "BASE FILE", "LOGIN FILE", "QMOVE FILE", "UTIL FILE"})
    EXPECT_EQ(get(conf, "UPDATE INFO", k).substr(0, 1), "\\") << k;
  // The folders named are the ones the data are staged in.
  for (auto [section, key] : {std::pair{"SETUP INFO", "SETUP EXE"}, std::pair{"SETUP INFO", "SETUP BASE"},
                              std::pair{"CODE INFO", "CODE BASE"}}) {
    std::string folder = get(conf, section, key);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    EXPECT_TRUE(fs::is_directory(kSource + folder)) << key << " " << folder;
  }
  for (const char* k : {"STOCK CODE", "ECN CODE", "FUTURES CODE", "OPTIONS CODE"})
    EXPECT_TRUE(fs::exists(kCode + get(conf, "CODE INFO", k))) << k;
}

struct MenuLine {
  unsigned group;
  std::string name;  // UTF-8
  unsigned id;
  std::string file;
};

std::vector<MenuLine> readMenu() {
  std::vector<MenuLine> out;
  for (const std::string& raw : crlfLines(kBin + "menu.conf")) {
    std::string line = trim(raw);
    if (line.empty() || line.find('#') != std::string::npos) continue;
    size_t p1 = line.find(':'), p2 = line.find(':', p1 + 1), p3 = line.find(':', p2 + 1);
    EXPECT_NE(p3, std::string::npos) << "fewer than four fields: " << line;
    if (p3 == std::string::npos) continue;
    MenuLine m;
    std::string g = line.substr(0, p1), id = line.substr(p2 + 1, p3 - p2 - 1);
    EXPECT_TRUE(!g.empty() && g.find_first_not_of("0123456789") == std::string::npos) << line;
    EXPECT_TRUE(!id.empty() && id.find_first_not_of("0123456789") == std::string::npos) << line;
    m.group = static_cast<unsigned>(std::stoul("0" + g));
    m.id = static_cast<unsigned>(std::stoul("0" + id));
    EXPECT_TRUE(fromCp949(trim(line.substr(p1 + 1, p2 - p1 - 1)), m.name)) << "not code page 949: " << line;
    EXPECT_FALSE(m.name.empty()) << line;
    m.file = trim(line.substr(p3 + 1));
    out.push_back(m);
  }
  return out;
}

TEST(DeviceData, MenuListsEveryScreenOnceWithItsPlugIn) {
  auto menu = readMenu();
  const std::set<unsigned> buttons = {1010, 1020, 1030, 1040, 1050, 1060, 1070, 1080, 1090, 1100, 1110, 1120};
  std::map<unsigned, std::string> fileOf;
  std::set<std::string> files;
  std::set<unsigned> groupLines;
  for (const MenuLine& m : menu) {
    if (m.id == m.group) {
      EXPECT_TRUE(buttons.count(m.group)) << m.group;
      EXPECT_TRUE(m.file.empty()) << m.group;
      groupLines.insert(m.group);
      continue;
    }
    // Group 1000 is no button: screens reached only by their id.
    EXPECT_TRUE(buttons.count(m.group) || m.group == 1000) << m.id << " in group " << m.group;
    EXPECT_TRUE(m.id >= 90000 && m.id <= 99999) << m.id;
    EXPECT_TRUE(fileOf.emplace(m.id, m.file).second) << "id listed twice: " << m.id;
    EXPECT_TRUE(m.file.size() > 4 && m.file.compare(m.file.size() - 4, 4, ".dll") == 0) << m.file;
    EXPECT_EQ(m.file.find_first_of("\\/:"), std::string::npos) << m.file;
    files.insert(m.file.substr(0, m.file.size() - 4));
  }
  EXPECT_EQ(groupLines, buttons);

  // Every screen plug-in of the system, the login and the connection settings.
  const char* plugins[] = {"VXLogin", "ZR1022", "ZR4320", "ZR4330", "ZR4310", "ZR4350", "ZR4380", "ZR4360", "ZR4430",
                           "VX4300",  "ZR4340", "ZR4410", "ZR4400", "ZR4460", "ZR4440", "VX2001", "VX4620", "VX4610",
                           "VX4110",  "VX0521", "ZR4105", "VX4630", "ZR4210", "VX4250", "VX4230", "ZR4160", "VX4240",
                           "ZR4170",  "VX4190", "VX4180", "VX4600", "ZR4200", "ZR4130", "VX4140", "ZR4150", "ZR4220",
                           "VX4112",  "ZR5300", "ZR5302", "ZR5301", "ZR5303", "ZR5100", "ZR5155", "ZR5304", "ZR5401",
                           "ZR5400",  "ZR5101", "ZR5154", "ZR5102", "ZR5151", "ZR5150", "ZR5103", "ZR5153", "ZR5104",
                           "ZR5152",  "ZR5002", "ZR5500"};
  for (const char* p : plugins) EXPECT_TRUE(files.count(p)) << p << " is missing from menu.conf";
  EXPECT_EQ(files.size(), std::size(plugins)) << "a plug-in in menu.conf that the system does not have";
  // The item-code finders are loaded by file name, never opened as screens.
  for (const char* p : {"VXScoutlet", "EcnScoutlet", "VXFOScoutlet"}) EXPECT_FALSE(files.count(p)) << p;

  // Ids that programs and screens open by number, with the plug-in each must reach.
  const std::pair<unsigned, const char*> fixed[] = {
      {90100, "VX2001.dll"}, {90101, "VXLogin.dll"}, {90103, "ZR1022.dll"}, {91001, "VX4110.dll"},
      {91002, "VX4112.dll"}, {92001, "VX2001.dll"},  {92003, "ZR4150.dll"}, {92005, "ZR4105.dll"},
      {93001, "ZR4310.dll"}, {93002, "VX4300.dll"},  {93101, "ZR4320.dll"}, {93102, "ZR4330.dll"},
      {93103, "ZR4340.dll"}, {93106, "ZR4380.dll"},  {94001, "ZR4400.dll"}, {94002, "ZR4410.dll"},
      {94102, "ZR4440.dll"}, {94641, "ZR4160.dll"},  {94650, "ZR4460.dll"}, {96001, "ZR5101.dll"},
      {96012, "ZR5300.dll"}, {96013, "ZR5301.dll"},  {96019, "ZR5401.dll"}, {96020, "ZR5401.dll"}};
  for (auto [id, file] : fixed) EXPECT_EQ(fileOf[id], file) << id;
}

// The stock and ECN list layout: 6-character code ('0' and the 5 digits users see), a blank,
// the market class, '|', the name in code page 949; lines read 49 bytes at most.
std::map<std::string, std::pair<char, std::string>> readStockList(const std::string& file) {
  std::map<std::string, std::pair<char, std::string>> out;
  for (const std::string& line : crlfLines(kCode + file)) {
    SCOPED_TRACE(file + ": " + line);
    EXPECT_LE(line.size() + 2, 49u);
    if (line.size() <= 9) {
      ADD_FAILURE() << "line too short";
      continue;
    }
    EXPECT_EQ(line[0], '0');
    EXPECT_EQ(line.find_first_not_of("0123456789"), 6u);
    EXPECT_EQ(line[6], ' ');
    EXPECT_TRUE(line[7] == '0' || line[7] == '1');
    EXPECT_EQ(line[8], '|');
    EXPECT_EQ(line.rfind('|'), 8u);
    std::string name;
    EXPECT_TRUE(fromCp949(line.substr(9), name));
    EXPECT_TRUE(out.emplace(line.substr(1, 5), std::pair{line[7], name}).second) << "code twice";
  }
  return out;
}

TEST(DeviceData, StockAndEcnListsFollowTheLineLayout) {
  auto stocks = readStockList("stock_code.dat");
  auto ecn = readStockList("ecn_code.dat");
  EXPECT_GE(stocks.size(), 300u);
  EXPECT_EQ(stocks["05930"], (std::pair<char, std::string>{'0', "삼성전자"}));
  EXPECT_EQ(stocks["35420"].first, '1');
  std::map<char, int> perMarket;
  for (auto& [code, item] : stocks) ++perMarket[item.first];
  EXPECT_GE(perMarket['0'], 100);
  EXPECT_GE(perMarket['1'], 100);
  // The stock file's name bytes at character 9 are what the news screen's look-up shows.
  std::string raw = readAll(kCode + "stock_code.dat");
  EXPECT_EQ(raw.substr(0, 19), "005930 0|\xBB\xEF\xBC\xBA\xC0\xFC\xC0\xDA\r\n");
  EXPECT_GE(ecn.size(), 40u);
  for (auto& [code, item] : ecn) {
    ASSERT_TRUE(stocks.count(code)) << code;
    EXPECT_EQ(item.second, stocks[code].second) << code;
  }
}

TEST(DeviceData, FuturesAndOptionsListsFollowTheLineLayout) {
  int plain = 0, spread = 0;
  std::string nearest;
  for (const std::string& line : crlfLines(kCode + "futures_code.dat")) {
    SCOPED_TRACE(line);
    ASSERT_LE(line.size() + 1, 47u);  // read with lines of at most 47 characters
    ASSERT_GT(line.size(), 18u);
    EXPECT_EQ(line.find_first_of(' '), 8u);
    EXPECT_EQ(line.substr(11, 6).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(line[17], ' ');
    std::string name;
    EXPECT_TRUE(fromCp949(line.substr(18), name));
    (line[9] == '4' ? spread : plain)++;
    if (line[9] != '4') {
      EXPECT_EQ(line.substr(5, 3), "000") << "a plain code is shown without its last 3";
      if (nearest.empty()) nearest = line.substr(0, 5);
    }
  }
  EXPECT_EQ(plain, 4);
  EXPECT_GE(spread, 1);
  // The order book's fixed-path file: its first 7 characters, up to a blank, are the nearest
  // contract's code, the same code the finder hands over for the first plain item.
  auto nearestLines = crlfLines(kCode + "futures.code");
  ASSERT_FALSE(nearestLines.empty());
  std::string first7 = nearestLines[0].substr(0, 7);
  EXPECT_EQ(first7.substr(0, first7.find(' ')), nearest);

  std::set<std::string> calls, puts;
  std::vector<std::string> months;
  bool putsBegun = false;
  for (const std::string& line : crlfLines(kCode + "options_code.dat")) {
    SCOPED_TRACE(line);
    ASSERT_LE(line.size() + 2, 59u);  // the boards read 59 bytes a line, the finder 99
    ASSERT_GT(line.size(), 29u);
    std::string month = line.substr(11, 6);
    EXPECT_EQ(month.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(line.substr(17, 5), "     ");
    double strike = std::stod(line.substr(18, 10));  // read from character 18 by the boards
    EXPECT_EQ(line.substr(22, 6), (std::ostringstream() << std::fixed << std::setprecision(2) << strike).str());
    std::string name;
    EXPECT_TRUE(fromCp949(line.substr(29), name));
    if (line[9] == '3') {
      putsBegun = true;
      EXPECT_EQ(line[0], '3');
      EXPECT_EQ(name.substr(0, 3), "풋");
      puts.insert(line.substr(0, 8));
      continue;
    }
    EXPECT_FALSE(putsBegun) << "a call after the first put is never read";
    EXPECT_EQ(name.substr(0, 3), "콜") << "the put's name replaces the first syllable";
    calls.insert(line.substr(0, 8));
    if (months.empty() || months.back() != month) months.push_back(month);
  }
  EXPECT_GE(months.size(), 2u);
  EXPECT_LE(months.size(), 6u);
  EXPECT_EQ(std::set<std::string>(months.begin(), months.end()).size(), months.size()) << "months grouped";
  for (const std::string& c : calls) EXPECT_TRUE(puts.count("3" + c.substr(1))) << c;
}

struct LocalRecord {
  char kind;
  std::string name, version;
  uint32_t size;
};

TEST(DeviceData, LocalVersionListMatchesWhatTheVersionServerOffers) {
  std::string raw = readAll(kBin + "verlist.dat");
  ASSERT_GE(raw.size(), 42u);
  uint32_t count;
  std::memcpy(&count, raw.data() + 38, 4);  // the head record's count, in native order
  EXPECT_EQ(raw.substr(0, 38), std::string(38, '\0'));
  ASSERT_EQ(raw.size(), 42u * (count + 1));

  simver::VersionServer server(VERSION_CURRENT_DIR);
  ASSERT_GT(server.start(0), 0) << server.lastError();
  std::vector<uint8_t> list = server.listReply();
  server.stop();
  // A fresh device finds nothing new: the local records are the server's records, byte for byte.
  ASSERT_EQ(list.size(), 4 + 42u * count);
  EXPECT_EQ(std::string(list.begin() + 4, list.end()), raw.substr(42));

  auto conf = readConfig(kBin + "Pelvato.conf");
  for (const simver::Entry& e : server.entries()) {
    std::string path = (e.kind == '1' ? kCode : kBin) + e.name;
    EXPECT_EQ(readAll(path), e.data) << "served bytes differ from the staged " << e.name;
  }
  EXPECT_EQ(get(conf, "UPDATE INFO", "LIST FILE"), "verlist.dat");
}

// The updater's comparison: a served record is fetched when the local list lacks its name or
// holds a smaller version (byte by byte).
std::string fetchedNames(const std::string& versionsTxt) {
  std::string local = readAll(kBin + "verlist.dat");
  std::map<std::string, std::string> localVersion;
  for (size_t off = 42; off + 42 <= local.size(); off += 42) {
    std::string field = local.substr(off + 1, 31);
    localVersion[field.substr(0, field.find('\0'))] = local.substr(off + 32, 6);
  }
  std::string fetched;
  std::istringstream in(readAll(versionsTxt));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    size_t p1 = line.find('|'), p2 = line.find('|', p1 + 1);
    std::string name = line.substr(p1 + 1, p2 - p1 - 1), version = line.substr(p2 + 1, 6);
    auto it = localVersion.find(name);
    if (it == localVersion.end() || version > it->second) fetched += name + " ";
  }
  return fetched;
}

TEST(DeviceData, EachVariantOffersExactlyOneNewerFile) {
  const std::pair<std::string, const char*> rows[] = {
      {std::string(VERSION_CURRENT_DIR) + "/versions.txt", ""},
      {std::string(VERSION_NEWER_DIR) + "/versions.txt", "ZR4105.dll "},
      {std::string(VERSION_NEWER_CORE_DIR) + "/versions.txt", "VXBase.dll "},
      {std::string(VERSION_NEWER_CODES_DIR) + "/versions.txt", "stock_code.dat "},
  };
  for (const auto& [path, expected] : rows) EXPECT_EQ(fetchedNames(path), expected) << path;
}

TEST(DeviceData, BuiltVariantsServeTheStagedModule) {
  const std::string program = std::string(DEVICE_STAGED) + "/Program Files/Quorvan/Bin/";
  int served = 0;
  for (auto [dir, module] :
       {std::pair{VERSION_NEWER_DIR, "ZR4105.dll"}, std::pair{VERSION_NEWER_CORE_DIR, "VXBase.dll"}}) {
    if (!fs::exists(program + module)) continue;  // that module is not built in this tree yet
    simver::VersionServer server(dir);
    ASSERT_GT(server.start(0), 0) << server.lastError();
    server.stop();
    auto entries = server.entries();
    auto it = std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.name == module; });
    ASSERT_NE(it, entries.end()) << module;
    EXPECT_EQ(it->data, readAll(program + module)) << module;
    ++served;
  }
  if (served == 0) GTEST_SKIP() << "no variant module staged";
}

TEST(DeviceData, NewerStockListAddsOneItemAndIsServedWhole) {
  simver::VersionServer server(VERSION_NEWER_CODES_DIR);
  ASSERT_GT(server.start(0), 0) << server.lastError();
  server.stop();
  std::string installed = readAll(kCode + "stock_code.dat");
  for (const simver::Entry& e : server.entries()) {
    if (e.name != "stock_code.dat") {
      EXPECT_EQ(e.data, readAll((e.kind == '1' ? kCode : kBin) + e.name)) << e.name;
      continue;
    }
    ASSERT_GT(e.data.size(), installed.size());
    EXPECT_EQ(e.data.substr(0, installed.size()), installed);
    std::string added = e.data.substr(installed.size());
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1) << added;
    EXPECT_EQ(added.substr(0, 9), "096040 1|");
  }
}

TEST(DeviceData, StagedFilesAreTheCommittedOnes) {
  const std::string staged = DEVICE_STAGED;
  if (!fs::exists(staged + "/Program Files/Quorvan/Bin/Pelvato.conf")) GTEST_SKIP() << "device root not staged";
  for (const char* f : {"Bin/Pelvato.conf", "Bin/menu.conf", "Bin/verlist.dat", "Code/stock_code.dat",
                        "Code/ecn_code.dat", "Code/futures_code.dat", "Code/options_code.dat", "Code/futures.code"}) {
    std::string rel = std::string("/Program Files/Quorvan/") + f;
    EXPECT_EQ(readAll(staged + rel), readAll(kSource + rel)) << f;
  }
}

class SampleRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/devdata-XXXXXX";
    root_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string root_;
};

TEST_F(SampleRoot, CopySetsTheTestsPortsAndKeepsEveryOtherByte) {
  std::string err;
  ASSERT_TRUE(devicedata::CopyTo(root_, {41234, 5}, err)) << err;
  std::string conf = readAll(root_ + "/Program Files/Quorvan/Bin/Pelvato.conf");
  std::string original = readAll(kBin + "Pelvato.conf");
  EXPECT_NE(conf.find("\r\nMAIN PORT NUMBER=41234\r\nVERMAN PORT NUMBER=5\r\n"), std::string::npos) << conf;
  for (auto [from, to] : {std::pair{"=41234\r", "=28100\r"}, std::pair{"=5\r", "=28101\r"}}) {
    size_t at = conf.find(from);
    ASSERT_NE(at, std::string::npos);
    conf.replace(at, std::strlen(from), to);
  }
  EXPECT_EQ(conf, original);
  for (const char* f : {"Bin/menu.conf", "Bin/verlist.dat", "Code/stock_code.dat", "Code/options_code.dat"})
    EXPECT_EQ(readAll(root_ + "/Program Files/Quorvan/" + f), readAll(kSource + "/Program Files/Quorvan/" + f)) << f;
  EXPECT_TRUE(fs::is_directory(root_ + "/Temp"));
  EXPECT_FALSE(fs::exists(root_ + "/pelvato.der"));

  // A second copy over the same root replaces the ports again.
  ASSERT_TRUE(devicedata::CopyTo(root_, {28100, 28101}, err)) << err;
  EXPECT_EQ(readAll(root_ + "/Program Files/Quorvan/Bin/Pelvato.conf"), original);
}

TEST_F(SampleRoot, CopyOptionsAndRefusals) {
  std::string err;
  devicedata::Options noList;
  noList.withoutVersionList = true;
  ASSERT_TRUE(devicedata::CopyTo(root_, noList, err)) << err;
  EXPECT_FALSE(fs::exists(root_ + "/Program Files/Quorvan/Bin/verlist.dat"));
  EXPECT_TRUE(fs::exists(root_ + "/Program Files/Quorvan/Bin/menu.conf"));

  devicedata::Options cert;
  cert.certificate = true;
  if (fs::exists(SERVER_CERTIFICATE)) {
    ASSERT_TRUE(devicedata::CopyTo(root_, cert, err)) << err;
    EXPECT_EQ(readAll(root_ + "/pelvato.der"), readAll(SERVER_CERTIFICATE));
  }

  for (auto [main, version] : {std::pair{0, 28101}, std::pair{28100, 65536}, std::pair{-1, -1}}) {
    EXPECT_FALSE(devicedata::CopyTo(root_, {main, version}, err)) << main << " " << version;
    EXPECT_FALSE(err.empty());
  }
  std::string file = root_ + "/plain-file";
  std::ofstream(file) << "x";
  EXPECT_FALSE(devicedata::CopyTo(file, {}, err)) << "a root that is a file";
}

}  // namespace
