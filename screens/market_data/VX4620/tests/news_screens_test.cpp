// The news and announcement screens driven as the user drives them against the simulated trading
// server: stock news (VX4620: the headlines, the news of one item by its name, the article),
// announcements (VX4630) and news with the indices (VX4250). The requests byte by byte, the pages
// with their keys forward and back, the rows, the article dialog and what error replies, short
// bodies and line counts beyond the body do.
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "news.h"
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::Bytes;
using screentest::Utf8;
namespace news = simsrv::news;

constexpr int kGrid = 1000;
constexpr int kNext = 9701, kPrev = 9702, kQuery = 8110;
constexpr int kSearchCode = 9909, kSearchName = 9999, kSearch = 1019;
constexpr int kArticleText = 1005, kArticleTitle = 1008;

std::string Cp949(const std::string& utf8) { return simsrv::wire::ToCp949(utf8); }

// The 4620 request of page `page` with `key` (22 bytes; empty: zero).
Bytes ListRequest(uint8_t page, const Bytes& key = {}) {
  Bytes b(28, 0);
  b[0] = 'A', b[1] = page, b[2] = 8;
  std::copy(key.begin(), key.end(), b.begin() + 4);
  b[26] = '0', b[27] = '0';
  return b;
}
Bytes SearchRequest(uint8_t page, const std::string& nameUtf8, const Bytes& key = {}) {
  Bytes b(59, 0);
  b[0] = 'A', b[1] = page, b[2] = 8;
  std::copy(key.begin(), key.end(), b.begin() + 4);
  b[26] = '1';
  std::string name = Cp949(nameUtf8);
  std::copy(name.begin(), name.end(), b.begin() + 27);
  return b;
}
Bytes KeyOf(const news::Article& a, size_t width) {
  Bytes k = a.Key();
  k.resize(width, 0);
  return k;
}
std::string DateOf(const uint8_t* d) {
  char t[16];
  std::snprintf(t, sizeof t, "%02d-%02d-%02d", d[0], d[1], d[2]);
  return t;
}
std::string TimeOf(const uint8_t* t) {
  char s[16];
  std::snprintf(s, sizeof s, "%02d:%02d:%02d", t[0], t[1], t[2]);
  return s;
}
std::vector<const news::Article*> About(const std::string& name) {
  std::vector<const news::Article*> out;
  for (const auto& a : news::Articles())
    if (a.itemName == name || a.headline.find(name) != std::string::npos) out.push_back(&a);
  return out;
}

class NewsTest : public quotetest::QuoteScreenTest {
 protected:
  NewsTest() : QuoteScreenTest(VX4620_PLUGIN, u"VX4620.dll") {}

  // The headlines of the grid.
  std::vector<std::string> Headlines() { return Column(kGrid, 2); }
  bool WaitHeadlines(const std::vector<const news::Article*>& expected) {
    std::vector<std::string> want;
    for (auto* a : expected) want.push_back(a->headline);
    return WaitFor([&] { return Headlines() == want; });
  }
  std::vector<const news::Article*> Slice(size_t from, size_t count) {
    std::vector<const news::Article*> out;
    for (size_t i = from; i < from + count && i < news::Articles().size(); ++i) out.push_back(&news::Articles()[i]);
    return out;
  }
  // Waits for the article dialog and returns its title and text; closes it with its button.
  std::pair<std::string, std::string> ReadArticle() {
    std::pair<std::string, std::string> got;
    if (!WaitFor([&] { return !Text(kArticleTitle).empty(); })) {
      ADD_FAILURE() << "no article dialog\n" << d->Tree();
      return got;
    }
    got = {Text(kArticleTitle), Text(kArticleText)};
    EXPECT_TRUE(d->Tap(IDOK));
    EXPECT_TRUE(WaitFor([&] { return Text(kArticleTitle).empty(); }));
    return got;
  }
};

TEST_F(NewsTest, OpensOnTheNewestHeadlinesAndPagesWithTheKeysOfThePagesBefore) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4620}));
  EXPECT_EQ(RequestSince(4620, mark), ListRequest(0));
  auto g = Grid(kGrid);
  const news::Article& first = news::Articles()[0];
  EXPECT_EQ(g[0][0].text, DateOf(first.date));
  EXPECT_EQ(g[0][1].text, TimeOf(first.time));
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  const auto& all = news::Articles();
  struct Step {
    const char* what;
    int button;
    Bytes request;  // empty: nothing goes out
    size_t from, rows;
    bool next, prev;
  };
  const Step steps[] = {
      {"next to page 2", kNext, ListRequest(1, KeyOf(all[8], 22)), 8, 8, true, true},
      {"next to page 3", kNext, ListRequest(2, KeyOf(all[16], 22)), 16, 4, false, true},
      {"next on the last page", kNext, {}, 16, 4, false, true},
      {"back to page 2 with the key page 1 gave", kPrev, ListRequest(1, KeyOf(all[8], 22)), 8, 8, true, true},
      {"back to page 1 with a zero key", kPrev, ListRequest(0), 0, 8, true, false},
      {"back on page 1", kPrev, {}, 0, 8, true, false},
      {"next again", kNext, ListRequest(1, KeyOf(all[8], 22)), 8, 8, true, true},
      {"query starts again at page 1", kQuery, ListRequest(0), 0, 8, true, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    EXPECT_EQ(TapAndCapture(s.button, 4620), s.request);
    if (s.request.empty()) {
      EXPECT_TRUE(NoneSince(4620, before));
    }
    ASSERT_TRUE(WaitHeadlines(Slice(s.from, s.rows)));
    Settled();
    EXPECT_EQ(Enabled(kNext), s.next);
    EXPECT_EQ(Enabled(kPrev), s.prev);
  }
}

TEST_F(NewsTest, AnItemCodeInTheSearchRowFindsItsNameAndPagesItsNews) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  auto found = About("삼성전자");
  ASSERT_GT(found.size(), 8u);
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kSearchCode, "05930"));
  EXPECT_EQ(RequestSince(4625, mark), SearchRequest(0, "삼성전자"));
  EXPECT_EQ(Text(kSearchName), "삼성전자");
  ASSERT_TRUE(WaitHeadlines({found.begin(), found.begin() + 8}));

  // "다음" and "이전" page the search while the row holds a code; "검색" starts it again.
  struct Step {
    const char* what;
    int button;
    Bytes request;
    size_t from;
  };
  const Step steps[] = {
      {"next page of the search", kNext, SearchRequest(1, "삼성전자", KeyOf(*found[8], 20)), 8},
      {"back to its first page", kPrev, SearchRequest(0, "삼성전자"), 0},
      {"next again", kNext, SearchRequest(1, "삼성전자", KeyOf(*found[8], 20)), 8},
      {"search starts again", kSearch, SearchRequest(0, "삼성전자"), 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    EXPECT_EQ(TapAndCapture(s.button, 4625), s.request);
    EXPECT_TRUE(NoneSince(4620, before));
    size_t end = std::min(found.size(), s.from + 8);
    ASSERT_TRUE(WaitHeadlines({found.begin() + static_cast<long>(s.from), found.begin() + static_cast<long>(end)}));
  }

  // With the row emptied the list pages again, from its first page on "조회".
  SetText(kSearchCode, "");
  mark = server.logSize();
  EXPECT_EQ(TapAndCapture(kQuery, 4620), ListRequest(0));
  EXPECT_EQ(Text(kSearchName), "");
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  EXPECT_TRUE(NoneSince(4625, mark));
}

TEST_F(NewsTest, ACodeNotInTheStockListIsRefusedAndTheSearchRowEmptied) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Type(kSearchCode, "00593"));
  ExpectBox("잘못 입력하셨습니다.\n다시 확인하시고 입력하십시오.");
  EXPECT_EQ(Text(kSearchCode), "");
  EXPECT_EQ(Text(kSearchName), "");
  EXPECT_TRUE(NoneSince(4625, mark));
  // Four characters look nothing up.
  ASSERT_TRUE(d->Type(kSearchCode, "0593"));
  EXPECT_TRUE(NoneSince(4625, mark));
  EXPECT_TRUE(NoBox());
}

TEST_F(NewsTest, ADoubleTapOpensTheArticleWithItsLinesTrimmed) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  const news::Article& a = news::Articles()[1];
  size_t mark = server.logSize();
  DoubleTapCell(kGrid, 1, 2, {50, 50, 220, 1}, 17, 17);
  EXPECT_EQ(RequestSince(4630, mark), a.Key());
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, a.headline);
  std::string want;
  for (const auto& line : a.lines) want += line + "\r\n";
  EXPECT_EQ(text, want);
  // The screen goes on: paging still works after the dialog.
  EXPECT_EQ(TapAndCapture(kNext, 4620), ListRequest(1, KeyOf(news::Articles()[8], 22)));
}

// Lines of 132 bytes with blanks, tabs and line ends around them, and a count beyond the body.
TEST_F(NewsTest, AnArticleHoldsOnlyTheLinesItsBodyHolds) {
  Bytes body(1 + 3 * 132, 0);
  body[0] = 40;  // claims forty lines
  const char* lines[] = {"  first line\r\n", "\tsecond\t", "third  "};
  for (int i = 0; i < 3; ++i) std::memcpy(&body[1 + 132 * i], lines[i], std::strlen(lines[i]));
  server.setHandler(4630, [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  DoubleTapCell(kGrid, 0, 2, {50, 50, 220, 1}, 17, 17);
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, news::Articles()[0].headline);
  EXPECT_EQ(text, "first line\r\nsecond\r\nthird\r\n");
}

// An error reply is the server's message, never headlines, keys or an article.
TEST_F(NewsTest, AnErrorReplyShowsTheServersMessageAndKeepsTheList) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  server.setHandler(4620, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("뉴스", "잠시 후 다시 조회하세요.");
  });
  server.setHandler(4630, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("뉴스", "기사를 찾을 수 없습니다.");
  });
  ASSERT_TRUE(d->Tap(kNext));
  ExpectBox("잠시 후 다시 조회하세요.");
  EXPECT_EQ(Headlines().size(), 8u);
  DoubleTapCell(kGrid, 0, 2, {50, 50, 220, 1}, 17, 17);
  ExpectBox("기사를 찾을 수 없습니다.");
  Settled();
  EXPECT_EQ(Text(kArticleTitle), "");
}

// An unknown more flag keeps the grid and the buttons; a count beyond the body shows the rows held.
TEST_F(NewsTest, UnknownMoreFlagsAndCountsBeyondTheBodyChangeNothingTheyCannotHold) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  Bytes odd(24, 0);
  odd[0] = 'X';
  server.setHandler(4620, [odd](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = odd; });
  ASSERT_TRUE(d->Tap(kNext));
  Settled();
  EXPECT_EQ(Headlines().size(), 8u);
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_TRUE(NoBox());

  Bytes two(24 + 2 * 201, 0);
  two[0] = 'N', two[23] = 9;  // nine rows claimed, two held
  std::memcpy(&two[24 + 69], Cp949("첫째").data(), Cp949("첫째").size());
  std::memcpy(&two[24 + 201 + 69], Cp949("둘째").data(), Cp949("둘째").size());
  server.setHandler(4620, [two](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = two; });
  ASSERT_TRUE(d->Tap(kQuery));
  ASSERT_TRUE(WaitFor([&] { return Headlines() == std::vector<std::string>{"첫째", "둘째"}; }));
  Settled();
  EXPECT_FALSE(Enabled(kNext));
}

// A server that always offers a further page: the fiftieth page is the last the key table holds,
// and each page goes out with the key the page before it gave.
TEST_F(NewsTest, PagingStopsAtTheLastPageTheKeyTableHolds) {
  server.setHandler(4620, [](simsrv::HandlerContext&, const simsrv::Request& q, simsrv::Reply& r) {
    r.body.assign(24 + 201, 0);
    r.body[0] = 'Y';
    r.body[1] = static_cast<uint8_t>(q.body[1] + 1);  // the key names the next page
    r.body[23] = 1;
    r.body[24 + 69] = 'p';
  });
  Open();
  ASSERT_TRUE(WaitFor([&] { return Headlines().size() == 1; }));
  for (int page = 1; page < 50; ++page) {
    SCOPED_TRACE(page);
    Bytes key(22, 0);
    key[0] = static_cast<uint8_t>(page);
    ASSERT_EQ(TapAndCapture(kNext, 4620), ListRequest(static_cast<uint8_t>(page), key));
    Settled();
  }
  EXPECT_FALSE(Enabled(kNext));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  EXPECT_TRUE(NoneSince(4620, mark));
  Bytes key(22, 0);
  key[0] = 48;
  EXPECT_EQ(TapAndCapture(kPrev, 4620), ListRequest(48, key));
}

// ---- Announcements (VX4630) ----------------------------------------------------------------------

// The 4640 request of the page with `key` (14 characters).
Bytes NoticeRequest(const std::string& key) {
  Bytes b(16, 0);
  b[0] = '3', b[1] = 10;
  std::copy(key.begin(), key.end(), b.begin() + 2);
  return b;
}
std::vector<std::string> Titles(size_t from, size_t count) {
  std::vector<std::string> out;
  for (size_t i = from; i < from + count && i < news::Notices().size(); ++i) out.push_back(news::Notices()[i].title);
  return out;
}
const std::string kFirstKey = "99999999999999";

class NoticeTest : public NewsTest {
 protected:
  void OpenNotices() { Open(u"VX4630.dll"); }
  bool WaitTitles(int grid, size_t column, const std::vector<std::string>& want) {
    return WaitFor([&] { return Column(grid, column) == want; });
  }
};

TEST_F(NoticeTest, AnnouncementsAskOnTheQueryAndPageWithTheKeysTheServerGave) {
  size_t mark = server.logSize();
  OpenNotices();
  // The first requests go out once the host has made the screen the receiver of replies.
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4640}));
  EXPECT_EQ(RequestSince(4640, mark), NoticeRequest(kFirstKey));
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  const auto& all = news::Notices();
  EXPECT_EQ(Grid(kGrid)[0][0].text, DateOf(all[0].date));
  EXPECT_EQ(Grid(kGrid)[0][1].text, TimeOf(all[0].time));
  Settled();
  EXPECT_TRUE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  struct Step {
    const char* what;
    int button;
    std::string key;  // empty: nothing goes out
    size_t from, rows;
    bool next, prev;
  };
  const Step steps[] = {
      {"next", kNext, all[10].order, 10, 10, true, true},
      {"next to the last page", kNext, all[20].order, 20, 5, false, true},
      {"next on the last page", kNext, "", 20, 5, false, true},
      {"back", kPrev, all[10].order, 10, 10, true, true},
      {"back to the first", kPrev, kFirstKey, 0, 10, true, false},
      {"next again", kNext, all[10].order, 10, 10, true, true},
      {"query starts again", kQuery, kFirstKey, 0, 10, true, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    size_t before = server.logSize();
    if (s.key.empty()) {
      ASSERT_TRUE(d->Tap(s.button));
      EXPECT_TRUE(NoneSince(4640, before));
    } else {
      EXPECT_EQ(TapAndCapture(s.button, 4640), NoticeRequest(s.key));
    }
    ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(s.from, s.rows)));
    Settled();
    EXPECT_EQ(Enabled(kNext), s.next);
    EXPECT_EQ(Enabled(kPrev), s.prev);
  }
  // Each request, reply and stored key is traced with its key.
  Bytes log = ReadHost(HostFile("\\won_test.txt"));
  std::string trace(log.begin(), log.end());
  EXPECT_NE(trace.find("send [1] " + all[10].order), std::string::npos);
  EXPECT_NE(trace.find("save [2] " + all[20].order), std::string::npos);
}

TEST_F(NoticeTest, AnEmptyPageLeavesTheIndexWhereItWasAndNextStaysOff) {
  OpenNotices();
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  Bytes empty(16, ' ');
  empty[0] = 0, empty[1] = 0;
  server.setHandler(4640,
                    [empty](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = empty; });
  ASSERT_TRUE(d->Tap(kNext));
  Settled();
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));  // back on the first page
  server.setHandler(4640, news::NoticeList);
  EXPECT_EQ(TapAndCapture(kQuery, 4640), NoticeRequest(kFirstKey));
}

TEST_F(NoticeTest, TheTextOpensInTheArticleDialogUpToFortyLines) {
  OpenNotices();
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  const news::Notice& n = news::Notices()[2];
  size_t mark = server.logSize();
  DoubleTapCell(kGrid, 2, 2, {50, 50, 220, 1}, 16, 16);
  EXPECT_EQ(RequestSince(4650, mark), Bytes(n.key.begin(), n.key.end()));
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, n.title);
  // The lines are trimmed: the leading blanks of the indented ones go.
  std::string trimmed;
  for (const auto& line : n.lines) trimmed += line.substr(line.find_first_not_of(' ')) + "\r\n";
  EXPECT_EQ(text, trimmed);

  struct Case {
    int claimed;
    bool opens;
  };
  for (const Case& c : {Case{41, false}, Case{0, false}, Case{-3, false}, Case{40, true}}) {
    SCOPED_TRACE(c.claimed);
    Bytes body(1 + 2 * 255, 0);
    body[0] = static_cast<uint8_t>(c.claimed);
    std::memcpy(&body[1], "one", 3);
    std::memcpy(&body[256], "two", 3);
    server.setHandler(4650,
                      [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
    DoubleTapCell(kGrid, 0, 2, {50, 50, 220, 1}, 16, 16);
    if (c.opens) {
      EXPECT_EQ(ReadArticle().second, "one\r\ntwo\r\n");  // only the lines the body holds
    } else {
      ExpectBox("데이터가 없거나 너무 큽니다 !!!");
    }
  }
}

// ---- News and announcements with the indices (VX4250) ----------------------------------------------

class NewsIndexTest : public NoticeTest {
 protected:
  void OpenNewsIndex() { Open(u"VX4250.dll"); }
  static constexpr int kList = 1357, kIndices = 1358;
};

TEST_F(NewsIndexTest, TheQueryAsksForQuoteAnnouncementsAndIndicesThroughThePacketLayer) {
  size_t mark = server.logSize();
  OpenNewsIndex();
  ASSERT_TRUE(WaitTitles(kList, 1, Titles(0, 10)));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4640, 4175}));
  EXPECT_EQ(RequestSince(4640, mark), NoticeRequest(kFirstKey));
  for (const simsrv::LogEntry& e : server.requests(0, mark)) {
    if (e.code == 1100) continue;
    SCOPED_TRACE(e.code);
    ASSERT_GE(e.header.size(), 15u);
    EXPECT_EQ(Bytes(e.header.begin() + 6, e.header.begin() + 11), (Bytes{'4', 1, 0, 1, 1}));
  }
  EXPECT_EQ(Grid(kList)[0][0].text, DateOf(news::Notices()[0].date));
  ASSERT_TRUE(WaitFor([&] { return Grid(kIndices).size() == 3; }));
  auto g = Grid(kIndices);
  // KOSPI 2,500.12 up 9.62 from 2,490.50; KOSDAQ 850.34 down 4.76.
  EXPECT_EQ(g[0][0].text, "KOSPI");
  EXPECT_EQ(g[0][1].text, "2,500.12");
  EXPECT_EQ(g[0][3].text, "9.62");
  EXPECT_EQ(g[0][1].fg, "0000FF");
  EXPECT_EQ(g[1][0].text, "KOSDAQ");
  EXPECT_EQ(g[1][3].text, "4.76");
  EXPECT_EQ(g[1][1].fg, "FF0000");
  EXPECT_EQ(g[0][4].text, "412,385");

  // "조회" asks for the three again, in their order.
  mark = server.logSize();
  ASSERT_TRUE(d->Tap(kQuery));
  Settled();
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4640, 4175}));
}

// A packet holds at most 15 announcements: a count beyond them shows those held; more than four
// indices show four.
TEST_F(NewsIndexTest, ListsShowTheRowsTheBodyHoldsAndAtMostFourIndices) {
  Bytes notices(16 + 15 * 271, 0);
  notices[0] = 35;
  for (int i = 0; i < 15; ++i) notices[16 + 271 * i + 10] = static_cast<uint8_t>('A' + i);
  Bytes indices(1 + 6 * 25, 0);
  indices[0] = 6;
  for (int i = 0; i < 6; ++i) indices[1 + 25 * i] = static_cast<uint8_t>('a' + i);
  server.setHandler(4640,
                    [notices](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = notices; });
  server.setHandler(4175,
                    [indices](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = indices; });
  OpenNewsIndex();
  ASSERT_TRUE(WaitFor([&] { return Grid(kList).size() == 15 && Grid(kIndices).size() == 4; }));
  EXPECT_EQ(Grid(kList)[14][1].text, "O");
  EXPECT_EQ(Grid(kIndices)[3][0].text, "d");
}

TEST_F(NewsIndexTest, ASecondDoubleTapWaitsForTheArticleAskedUntilAReplyOrTheTimeOut) {
  OpenNewsIndex();
  ASSERT_TRUE(WaitTitles(kList, 1, Titles(0, 10)));
  // No reply to the first request: a second double tap sends nothing.
  server.setHandler(4650, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; });
  size_t mark = server.logSize();
  DoubleTapCell(kList, 0, 1, {60, 163}, 17, 17);
  ASSERT_TRUE(server.waitForRequest(4650, 3000, nullptr, mark));
  size_t second = server.logSize();
  DoubleTapCell(kList, 1, 1, {60, 163}, 17, 17);
  EXPECT_TRUE(NoneSince(4650, second));
  // The reply time-out lets the user ask again; a refused request ends the wait as well.
  d->Advance(10000);
  server.setHandler(4650, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
    r.Error("공시", "공시 내용을 찾을 수 없습니다.");
  });
  mark = server.logSize();
  DoubleTapCell(kList, 1, 1, {60, 163}, 17, 17);
  ASSERT_TRUE(server.waitForRequest(4650, 3000, nullptr, mark));
  ExpectBox("공시 내용을 찾을 수 없습니다.");
  server.setHandler(4650, news::NoticeText);
  mark = server.logSize();
  DoubleTapCell(kList, 0, 1, {60, 163}, 17, 17);
  const news::Notice& n = news::Notices()[0];
  EXPECT_EQ(RequestSince(4650, mark), Bytes(n.key.begin(), n.key.end()));
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, n.title);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "1. 제출인: " + n.title.substr(0, n.title.find(' ')));
  // Once the dialog has closed, the next double tap asks again.
  mark = server.logSize();
  DoubleTapCell(kList, 2, 1, {60, 163}, 17, 17);
  EXPECT_FALSE(RequestSince(4650, mark).empty());
  ReadArticle();
}

// A line ends at a carriage return before its trailing blanks; other lines keep their blanks.
TEST_F(NewsIndexTest, ArticleLinesEndAtACarriageReturnBeforeTheirTrailingBlanks) {
  Bytes body(1 + 3 * 255, ' ');
  body[0] = 3;
  std::memcpy(&body[1], "  first\r", 9);
  std::memcpy(&body[256], "second\rmid", 11);
  std::memset(&body[511], 0, 255);
  std::memcpy(&body[511], "third", 5);
  server.setHandler(4650, [body](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = body; });
  OpenNewsIndex();
  ASSERT_TRUE(WaitTitles(kList, 1, Titles(0, 10)));
  DoubleTapCell(kList, 0, 1, {60, 163}, 17, 17);
  // (The edit shows a line without the blanks that end it.)
  std::string text = ReadArticle().second;
  for (size_t at; (at = text.find(" \r\n")) != std::string::npos;) text.erase(at, 1);
  EXPECT_EQ(text, "  first\r\nsecond\rmid\r\nthird\r\n");
}

// ---- The screens one after another, and a screen ended under its article --------------------------

TEST_F(NoticeTest, AScreenEndedWhileItsArticleIsOpenEndsAfterTheDialogHasClosed) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return Column(kGrid, 2).size() == 8; }));
  DoubleTapCell(kGrid, 0, 2, {50, 50, 220, 1}, 17, 17);
  ASSERT_TRUE(WaitFor([&] { return !Text(kArticleTitle).empty(); }));
  // The host ends a screen whose own code runs by ending its loops first, then the screen once
  // that code has returned.
  bool running = false;
  d->Ui([&] {
    running = plat::win::WindowCodeRunning(dlg);
    if (running) plat::win::EndModalLoops(dlg);
  });
  EXPECT_TRUE(running);
  ASSERT_TRUE(WaitFor([&] {
    bool still = true;
    d->Ui([&] { still = plat::win::WindowCodeRunning(dlg); });
    return !still;
  }));
  EXPECT_EQ(Text(kArticleTitle), "");
  // The next screen opens and works.
  OpenNotices();
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  Open(u"VX4250.dll");
  ASSERT_TRUE(WaitTitles(1357, 1, Titles(0, 10)));
}

}  // namespace
