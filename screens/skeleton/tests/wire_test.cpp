// The transaction layouts and the codec that reads and writes them: every field inside its body
// and apart from the others, values refused when they do not fit, short replies read as empty, and
// the fuzz dictionary made from the layouts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "vxskeleton/tr_layouts.h"
#include "vxskeleton/wire.h"

namespace {

using vxwire::Field;
using vxwire::Kind;
using vxwire::Layout;

void CheckFields(const char* what, const Field* fields, size_t count, size_t size) {
  std::set<std::string> names;
  std::vector<bool> used(size, false);
  for (size_t i = 0; i < count; ++i) {
    const Field& f = fields[i];
    SCOPED_TRACE(std::string(what) + " " + f.name);
    EXPECT_GT(f.width, 0);
    EXPECT_LE(f.end(), size);
    EXPECT_TRUE(names.insert(f.name).second) << "named twice";
    if (f.kind == Kind::Char || f.kind == Kind::Byte) {
      EXPECT_EQ(f.width, 1);
    }
    if (f.kind == Kind::Short) {
      EXPECT_EQ(f.width, 2);
    }
    for (size_t b = f.at; b < f.end() && b < size; ++b) {
      EXPECT_FALSE(used[b]) << "byte " << b << " in two fields";
      used[b] = true;
    }
  }
}

TEST(Layouts, FieldsLieInsideTheirBodyAndApart) {
  std::set<uint16_t> requests;
  for (const Layout& l : vxtr::kLayouts) {
    EXPECT_TRUE(requests.insert(l.code).second) << l.code << " listed twice";
    CheckFields(l.name, l.fields, l.fieldCount, l.size);
  }
  for (const Layout& l : vxtr::kQuoteLayouts) {
    EXPECT_TRUE(requests.insert(l.code).second) << l.code << " listed twice";
    CheckFields(l.name, l.fields, l.fieldCount, l.size);
    if (l.record) CheckFields(l.name, l.record, l.recordFieldCount, l.recordSize);
  }
  for (const Layout& l : vxtr::kReplyLayouts) {
    CheckFields(l.name, l.fields, l.fieldCount, l.size);
    if (l.record) CheckFields(l.name, l.record, l.recordFieldCount, l.recordSize);
  }
}

TEST(Layouts, AccountAuthIsTheHeadOfTheRequestsThatCarryIt) {
  for (const Layout& l : vxtr::kLayouts) {
    if (l.code == 2423) continue;  // the follow-up carries the account without its password
    SCOPED_TRACE(l.name);
    ASSERT_GE(l.fieldCount, 2u);
    EXPECT_EQ(l.fields[0].at, 0);
    EXPECT_EQ(l.fields[0].width, 10);
    EXPECT_STREQ(l.fields[1].name, "password");
    EXPECT_EQ(l.fields[1].at, 10);
  }
}

// ---- Writer ----

TEST(WireWriter, WritesEachKindInItsPlaceAndZeroesTheRest) {
  unsigned char body[vxtr::order::kRequestSize];
  std::memset(body, 0xAA, sizeof body);
  vxwire::Writer w(body);
  w.AccountAuth(vxtr::kAccount, vxtr::kPassword, "1234567801", "pw")
      .Char(vxtr::order::kFiller, '0')
      .Text(vxtr::order::kCode, "05930")
      .Digits(vxtr::order::kQuantity, "10")
      .Digits(vxtr::order::kPrice, "71500")
      .Char(vxtr::order::kType, '1');
  ASSERT_TRUE(w.Ok());
  std::string expected(
      "1234567801pw\0\0\0\0\0\0"
      "005930"
      "10\0\0\0\0\0"
      "71500\0\0\0"
      "1",
      40);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(body), sizeof body), expected);
}

TEST(WireWriter, RefusedValuesLeaveTheBodyZeroed) {
  struct Case {
    const char* what;
    std::string account, password, quantity;
  } cases[] = {
      {"account too short", "123456780", "pw", "10"},
      {"account not digits", "12345678O1", "pw", "10"},
      {"password too long", "1234567801", "123456789", "10"},
      {"password empty", "1234567801", "", "10"},
      {"quantity empty", "1234567801", "pw", ""},
      {"quantity with a comma", "1234567801", "pw", "1,000"},
      {"quantity too long", "1234567801", "pw", "12345678"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unsigned char body[vxtr::order::kRequestSize];
    vxwire::Writer w(body);
    w.AccountAuth(vxtr::kAccount, vxtr::kPassword, c.account, c.password)
        .Digits(vxtr::order::kQuantity, c.quantity)
        .Char(vxtr::order::kType, '1');  // written after the refusal: still nothing
    EXPECT_FALSE(w.Ok());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), sizeof body), std::string(sizeof body, '\0'));
  }
}

// Padded texts: one zero byte after the text, then the fill byte; blanks right after the text; a
// text as wide as the field unpadded; a wider one refused.
TEST(WireWriter, PaddedTextsEndWithOneZeroThenTheFillByte) {
  const Field f{"f", 2, 6, Kind::Text};
  struct Case {
    std::string text;
    char fill;
    bool zeroFirst;
    std::string field;  // bytes 2-7
  } cases[] = {
      {"0000", ' ', true, std::string("0000\0 ", 6)},   {"12", ' ', true, std::string("12\0   ", 6)},
      {"12", '\0', true, std::string("12\0\0\0\0", 6)}, {"101C3", ' ', false, "101C3 "},
      {"", ' ', true, std::string("\0     ", 6)},       {"123456", ' ', true, "123456"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    unsigned char body[10];
    vxwire::Writer w(body);
    w.Padded(f, c.text, c.fill, c.zeroFirst);
    ASSERT_TRUE(w.Ok());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body), sizeof body),
              std::string(2, '\0') + c.field + std::string(2, '\0'));
  }
  unsigned char body[10];
  vxwire::Writer w(body);
  w.Padded(f, "1234567", ' ');
  EXPECT_FALSE(w.Ok());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(body), sizeof body), std::string(10, '\0'));
}

TEST(WireWriter, AFieldBeyondTheBodyIsRefused) {
  unsigned char body[20];
  vxwire::Writer w(body);
  w.Char(vxtr::order::kType, '1');  // byte 39 of a 20-byte body
  EXPECT_FALSE(w.Ok());
}

// ---- Reader ----

// What a reply holds is checked against its layout before anything of it is shown: digits where
// digits belong, code page 949 text where text belongs (0xFF, control bytes and broken two-byte
// characters are no text), and nothing of a field the body does not hold.
TEST(WireReader, FieldsAreCheckedAgainstTheirKind) {
  const Field digits{"digits", 0, 5, Kind::Digits};
  const Field text{"text", 5, 6, Kind::Text};
  struct Case {
    const char* what;
    std::string body;
    bool digitsOk, textOk;
  };
  // The literal's bytes, NULs included.
#define BODY(literal) std::string(literal, sizeof(literal) - 1)
  const Case cases[] = {
      {"digits and text", BODY("12345AB c\0\0"), true, true},
      {"Korean text, cut at the field's width", BODY("00001\xBB\xEF\xBC\xBA\xC0\xFC"), true, true},
      {"a lead byte last in the field", BODY("00001AB\xBB\xEF\x41\xBC"), true, true},
      {"empty text", BODY("00001\0\0\0\0\0\0"), true, true},
      {"0xFF bytes", std::string(11, '\xFF'), false, false},
      {"a blank among the digits", BODY("12 45ABCDEF"), false, true},
      {"a NUL among the digits",
       BODY("12\0"
            "45ABCDEF"),
       false, true},
      {"control byte in the text",
       BODY("12345AB\x01"
            "CD\0"),
       true, false},
      {"lead byte before an ASCII digit",
       BODY("12345\xBB"
            "1ABC\0"),
       true, false},
      {"lead byte then NUL", BODY("12345\xBB\0ABC\0"), true, false},
      {"body shorter than the text field", BODY("12345ABC"), true, false},
  };
#undef BODY
  for (const Case& c : cases) {
    vxwire::Reader r(reinterpret_cast<const unsigned char*>(c.body.data()), static_cast<int>(c.body.size()));
    EXPECT_EQ(r.IsDigits(digits), c.digitsOk) << c.what;
    EXPECT_EQ(r.IsText(text), c.textOk) << c.what;
  }
}

TEST(WireReader, ShortBodiesReadAsEmptyAndRecordsStopAtTheEnd) {
  namespace s = vxtr::sellable;
  std::vector<unsigned char> body(s::kRecordsAt + s::kRecordSize + 10, 0);
  std::memcpy(body.data(), "1234567801", 10);
  body[s::kNext.at] = 'Y';
  body[s::kCount.at] = 2;
  std::memcpy(body.data() + s::kRecordsAt + s::kName.at, "SAMSUNG   ", 10);
  vxwire::Reader r(body.data(), static_cast<int>(body.size()));
  EXPECT_EQ(r.Text(vxtr::kAccount), "1234567801");
  EXPECT_EQ(r.Char(s::kNext), 'Y');
  EXPECT_EQ(r.Byte(s::kCount), 2);
  EXPECT_EQ(r.Record(s::kRecordsAt, s::kRecordSize, 0).Shown(s::kName, 10), "SAMSUNG");
  EXPECT_EQ(r.Record(s::kRecordsAt, s::kRecordSize, 1).Size(), 0u) << "the second record is cut";
  EXPECT_EQ(r.Record(s::kRecordsAt, s::kRecordSize, -1).Size(), 0u);

  vxwire::Reader cut(body.data(), 12);
  EXPECT_FALSE(cut.Has(s::kNext));
  EXPECT_EQ(cut.Char(s::kNext), '\0');
  EXPECT_EQ(cut.At(s::kNext), nullptr);
  EXPECT_EQ(cut.Number(s::kOrderable), 0);
  vxwire::Reader none(nullptr, 40);
  EXPECT_EQ(none.Size(), 0u);
  EXPECT_EQ(none.Text(vxtr::kAccount), "");
}

TEST(WireReader, NumbersAndShortsAreBigEndian) {
  // 1,234,567 as NET_VALUE3: groups 0, 123, 4567; -3 as a 16-bit number.
  unsigned char body[] = {0x00, 0x00, 0x00, 0x7B, 0x11, 0xD7, 0xFF, 0xFD};
  vxwire::Reader r(body, sizeof body);
  EXPECT_EQ(r.Number({"n", 0, 6, Kind::Number}), 1234567);
  EXPECT_EQ(r.Short({"s", 6, 2, Kind::Short}), -3);
}

// ---- Text helpers ----

TEST(WireText, GroupingAndShownDigits) {
  struct {
    int64_t value;
    const char* text;
  } grouped[] = {
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {-1234567, "-1,234,567"}, {INT64_MIN, "-9,223,372,036,854,775,808"}};
  for (const auto& g : grouped) EXPECT_EQ(vxwire::Grouped(g.value), g.text);
  std::string digits;
  EXPECT_TRUE(vxwire::ShownDigits("1,234", 7, digits));
  EXPECT_EQ(digits, "1234");
  EXPECT_FALSE(vxwire::ShownDigits("12,345,678", 7, digits));
  EXPECT_FALSE(vxwire::ShownDigits(",", 7, digits));
  EXPECT_FALSE(vxwire::ShownDigits("12a", 7, digits));
}

// ---- The fuzz dictionary made from the layouts ----

std::string Hex(std::initializer_list<unsigned> bytes) {
  std::string out;
  char b[8];
  for (unsigned v : bytes) {
    std::snprintf(b, sizeof b, "\\x%02x", v & 0xFF);
    out += b;
  }
  return out;
}

std::string Dictionary() {
  std::ostringstream out;
  out << "# Transaction codes and packet lengths of the screens' requests and replies, made from the\n"
         "# client's layouts (screens/skeleton/include/vxskeleton/tr_layouts.h) by\n"
         "# LARKSPIN_WRITE_DICT=1 build/bin/vx_wire_tests.\n";
  std::set<std::string> seen;
  auto line = [&](const std::string& name, const std::string& bytes) {
    if (seen.insert(name).second) out << name << "=\"" << bytes << "\"\n";
  };
  auto length = [&](const char* kind, uint16_t code, unsigned size) {
    unsigned total = 15 + size;
    line(std::string("len_") + std::to_string(code) + "_" + kind, Hex({total >> 24, total >> 16, total >> 8, total}));
  };
  for (const Layout& l : vxtr::kLayouts) {
    line("tr_" + std::to_string(l.code), Hex({static_cast<unsigned>(l.code >> 8), l.code}));
    length("request", l.code, l.size);
  }
  for (const Layout& l : vxtr::kQuoteLayouts) {
    line("tr_" + std::to_string(l.code), Hex({static_cast<unsigned>(l.code >> 8), l.code}));
    length("request", l.code, l.size);
  }
  for (const Layout& l : vxtr::kReplyLayouts) {
    length("reply", l.code, l.size);
    if (l.record) length("reply_one", l.code, l.size + l.recordSize);
  }
  line("count_none", Hex({0}));
  line("count_negative", Hex({0xFF}));
  line("next_yes", "Y");
  line("next_no", "N");
  return out.str();
}

TEST(LayoutDictionary, CommittedDictionaryIsMadeFromTheLayouts) {
  std::string made = Dictionary();
  if (std::getenv("LARKSPIN_WRITE_DICT")) std::ofstream(SCREENS_DICT, std::ios::binary) << made;
  std::ifstream f(SCREENS_DICT, std::ios::binary);
  std::string committed((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(committed, made) << "run LARKSPIN_WRITE_DICT=1 build/bin/vx_wire_tests to remake " << SCREENS_DICT;
}

}  // namespace
