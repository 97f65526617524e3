// The news and announcement screens driven as the user drives them against the simulated trading
// server: stock news (VX4620: the headlines, the news of one item by its name, the article),
// announcements (VX4630) and news with the indices (VX4250). The requests as whole packets, header
// included, the pages with their keys forward and back, the rows, the article dialog and what error
// replies, short bodies and line counts beyond the body do; where the focus goes after a reply.
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>

#include "news.h"
#include "quote_fixture.h"
#include "wire_helpers.h"

namespace {

using screentest::B;
using screentest::Bytes;
using screentest::PacketLayerRequestPacket;
using screentest::PlainRequestPacket;
using screentest::Utf8;
namespace news = simsrv::news;

constexpr int kGrid = 1000;
constexpr int kNext = 9701, kPrev = 9702, kQuery = 8110;
constexpr int kSearchCode = 9909, kSearchName = 9999, kSearch = 1019;
constexpr int kArticleText = 1005, kArticleTitle = 1008;

std::string Cp949(const std::string& utf8) { return simsrv::wire::ToCp949(utf8); }

// The 4620 request of page `page` with `key` (22 bytes; empty: zero), header included.
Bytes ListRequest(uint8_t page, const Bytes& key = {}) {
  Bytes b(28, 0);
  b[0] = 'A', b[1] = page, b[2] = 8;
  std::copy(key.begin(), key.end(), b.begin() + 4);
  b[26] = '0', b[27] = '0';
  return PlainRequestPacket(4620, b);
}
Bytes SearchRequest(uint8_t page, const std::string& nameUtf8, const Bytes& key = {}) {
  Bytes b(59, 0);
  b[0] = 'A', b[1] = page, b[2] = 8;
  std::copy(key.begin(), key.end(), b.begin() + 4);
  b[26] = '1';
  std::string name = Cp949(nameUtf8);
  std::copy(name.begin(), name.end(), b.begin() + 27);
  return PlainRequestPacket(4625, b);
}
// The base quote of `code` as the screens that write their requests send it.
Bytes QuoteRequest(const std::string& code) { return PlainRequestPacket(4101, Bytes(code.begin(), code.end())); }

// The first line of the text of article `row` (4630) or announcement `row` (4650), as the screens
// show it: without the blanks around it.
std::string FirstLine(uint16_t code, size_t row) {
  std::string line = code == 4630 ? news::Articles()[row].lines.at(0) : news::Notices()[row].lines.at(0);
  size_t from = line.find_first_not_of(" \t"), to = line.find_last_not_of(" \t\r\n");
  return from == std::string::npos ? std::string() : line.substr(from, to - from + 1);
}

// Holds the server's reply to the next request of `held` and sends it just before the reply to
// the next request of `release` (the same code or another): a reply that arrives after the user
// has acted again. Both handlers run on the connection's thread, one after the other.
void HoldReply(simsrv::TradingServer& server, uint16_t held, uint16_t release) {
  struct Held {
    bool taken = false;
    std::optional<simsrv::Reply> reply;
  };
  auto state = std::make_shared<Held>();
  auto defaults = simsrv::DefaultHandlers();
  simsrv::Handler answer = defaults[held];
  auto sendHeld = [state](simsrv::HandlerContext& ctx, uint16_t code) {
    if (!state->reply) return;
    ctx.server.sendReply(ctx.connection, code, *state->reply);
    state->reply.reset();
  };
  server.setHandler(held, [=](simsrv::HandlerContext& ctx, const simsrv::Request& q, simsrv::Reply& r) {
    if (release == held) sendHeld(ctx, held);
    answer(ctx, q, r);
    if (state->taken) return;
    state->taken = true;
    state->reply = r;
    r.send = false;
  });
  if (release == held) return;
  simsrv::Handler next = defaults[release];
  server.setHandler(release, [=](simsrv::HandlerContext& ctx, const simsrv::Request& q, simsrv::Reply& r) {
    sendHeld(ctx, held);
    next(ctx, q, r);
  });
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

  Bytes TapAndPacket(int button, uint16_t code) {
    size_t mark = server.logSize();
    if (!d->Tap(button)) return {};
    return PacketSince(code, mark);
  }

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
    EXPECT_TRUE(d->Tap(IDOK)) << d->Tree();
    EXPECT_TRUE(WaitFor([&] { return Text(kArticleTitle).empty(); }));
    return got;
  }
};

TEST_F(NewsTest, OpensOnTheNewestHeadlinesAndPagesWithTheKeysOfThePagesBefore) {
  size_t mark = server.logSize();
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101, 4620}));
  EXPECT_EQ(PacketSince(4101, mark), QuoteRequest("005930"));
  EXPECT_EQ(PacketSince(4620, mark), ListRequest(0));
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
    EXPECT_EQ(TapAndPacket(s.button, 4620), s.request);
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
  EXPECT_EQ(PacketSince(4625, mark), SearchRequest(0, "삼성전자"));
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
    EXPECT_EQ(TapAndPacket(s.button, 4625), s.request);
    EXPECT_TRUE(NoneSince(4620, before));
    size_t end = std::min(found.size(), s.from + 8);
    ASSERT_TRUE(WaitHeadlines({found.begin() + static_cast<long>(s.from), found.begin() + static_cast<long>(end)}));
  }

  // With the row emptied the list pages again, from its first page on "조회".
  SetText(kSearchCode, "");
  mark = server.logSize();
  EXPECT_EQ(TapAndPacket(kQuery, 4620), ListRequest(0));
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
  EXPECT_EQ(PacketSince(4630, mark), PlainRequestPacket(4630, a.Key()));
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, a.headline);
  std::string want;
  for (const auto& line : a.lines) want += line + "\r\n";
  EXPECT_EQ(text, want);
  // The screen goes on: paging still works after the dialog.
  EXPECT_EQ(TapAndPacket(kNext, 4620), ListRequest(1, KeyOf(news::Articles()[8], 22)));
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
    ASSERT_EQ(TapAndPacket(kNext, 4620), ListRequest(static_cast<uint8_t>(page), key));
    Settled();
  }
  EXPECT_FALSE(Enabled(kNext));
  size_t mark = server.logSize();
  ASSERT_TRUE(d->Tap(kNext));
  EXPECT_TRUE(NoneSince(4620, mark));
  Bytes key(22, 0);
  key[0] = 48;
  EXPECT_EQ(TapAndPacket(kPrev, 4620), ListRequest(48, key));
}

// ---- Announcements (VX4630) ----------------------------------------------------------------------

// The 4640 request of the page with `key` (14 characters): written by the screen, or built by the
// packet layer (`layer`).
Bytes NoticeRequest(const std::string& key, bool layer = false) {
  Bytes b(16, 0);
  b[0] = '3', b[1] = 10;
  std::copy(key.begin(), key.end(), b.begin() + 2);
  return layer ? PacketLayerRequestPacket(4640, b) : PlainRequestPacket(4640, b);
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
  EXPECT_EQ(PacketSince(4101, mark), QuoteRequest("005930"));
  EXPECT_EQ(PacketSince(4640, mark), NoticeRequest(kFirstKey));
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
      EXPECT_EQ(TapAndPacket(s.button, 4640), NoticeRequest(s.key));
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
  EXPECT_EQ(TapAndPacket(kQuery, 4640), NoticeRequest(kFirstKey));
}

TEST_F(NoticeTest, TheTextOpensInTheArticleDialogUpToFortyLines) {
  OpenNotices();
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  const news::Notice& n = news::Notices()[2];
  size_t mark = server.logSize();
  DoubleTapCell(kGrid, 2, 2, {50, 50, 220, 1}, 16, 16);
  EXPECT_EQ(PacketSince(4650, mark), PlainRequestPacket(4650, Bytes(n.key.begin(), n.key.end())));
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
  EXPECT_EQ(PacketSince(4101, mark), PacketLayerRequestPacket(4101, B("005930")));
  EXPECT_EQ(PacketSince(4640, mark), NoticeRequest(kFirstKey, true));
  EXPECT_EQ(PacketSince(4175, mark), PacketLayerRequestPacket(4175, {}));
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
  EXPECT_EQ(PacketSince(4650, mark), PacketLayerRequestPacket(4650, Bytes(n.key.begin(), n.key.end())));
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, n.title);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "1. 제출인: " + n.title.substr(0, n.title.find(' ')));
  // Once the dialog has closed, the next double tap asks again.
  mark = server.logSize();
  DoubleTapCell(kList, 2, 1, {60, 163}, 17, 17);
  EXPECT_FALSE(PacketSince(4650, mark).empty());
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

// ---- Rules the three screens share ------------------------------------------------------------------

// After a reply the item-code combo has the focus, whatever the reply was: the quote alone, or the
// server's message (VX4250 moves it only for a reply it shows).
TEST_F(NewsTest, TheItemComboTakesTheFocusAfterTheQuoteAndAfterTheServersMessage) {
  struct Case {
    const char16_t* screen;
    std::vector<uint16_t> silent;  // requests the server leaves unanswered
    uint16_t refused;              // answered with the server's message (0: none)
  };
  const Case cases[] = {
      {u"VX4620.dll", {4620}, 0},    {u"VX4620.dll", {4101}, 4620},    {u"VX4630.dll", {4640}, 0},
      {u"VX4630.dll", {4101}, 4640}, {u"VX4250.dll", {4640, 4175}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.screen) + (c.refused ? " refused" : " quote"));
    server.setHandler(4101, simsrv::DefaultHandlers()[4101]);
    Open(c.screen);
    Settled();
    for (uint16_t code : c.silent)
      server.setHandler(code,
                        [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.send = false; });
    if (c.refused)
      server.setHandler(c.refused, [](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) {
        r.Error("알림", "잠시 후 다시 조회하세요.");
      });
    d->Ui([&] { SetFocus(GetDlgItem(dlg, 9918)); });
    ASSERT_EQ(Focus(), 9918);
    ASSERT_TRUE(d->Tap(kQuery));
    if (c.refused) ExpectBox("잠시 후 다시 조회하세요.");
    Settled();
    EXPECT_EQ(Focus(), 9901);
    EXPECT_TRUE(NoBox());
    // Back to the server's own answers for the next screen.
    server.setHandler(4620, news::NewsList);
    server.setHandler(4640, news::NoticeList);
    server.setHandler(4175, news::IndexList);
  }
}

// Two double taps before the first article has come: each article opens under the headline of
// the row whose key asked for it.
TEST_F(NewsTest, AnArticleOpensUnderTheHeadlineOfTheRowThatAskedForIt) {
  struct Case {
    const char16_t* screen;
    uint16_t code;
    int grid, column, headerHeight, rowHeight;
    std::vector<int> widths;
  };
  const Case cases[] = {
      {u"VX4620.dll", 4630, kGrid, 2, 17, 17, {50, 50, 220, 1}},
      {u"VX4630.dll", 4650, kGrid, 2, 16, 16, {50, 50, 220, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.screen));
    Open(c.screen);
    ASSERT_TRUE(WaitFor([&] { return Column(c.grid, 2).size() >= 2 && !Column(c.grid, 2)[1].empty(); }));
    const std::vector<std::string> headlines = Column(c.grid, 2);
    HoldReply(server, c.code, c.code);
    size_t mark = server.logSize();
    DoubleTapCell(c.grid, 0, c.column, c.widths, c.headerHeight, c.rowHeight);
    ASSERT_TRUE(server.waitForRequest(c.code, 3000, nullptr, mark));
    DoubleTapCell(c.grid, 1, c.column, c.widths, c.headerHeight, c.rowHeight);
    ASSERT_TRUE(WaitFor([&] { return server.requests(c.code, mark).size() == 2; }));
    Settled();
    // The first reply may open its dialog before the second comes (the second then opens once it
    // has closed), or the second may take its place: every dialog that opens pairs a headline
    // with its own text, one dialog at a time, and the last is row 1's.
    std::vector<std::string> shown;
    for (int dialogs = 0; dialogs < 3; ++dialogs) {
      d->Settle();
      const std::string title = Text(kArticleTitle), text = Text(kArticleText);
      if (title.empty()) break;
      shown.push_back(title);
      size_t row = title == headlines[0] ? 0 : 1;
      EXPECT_EQ(title, headlines[row]);
      EXPECT_EQ(text.substr(0, text.find("\r\n")), FirstLine(c.code, row));
      ASSERT_TRUE(d->Tap(IDOK)) << d->Tree();
      ASSERT_TRUE(WaitFor([&] { return Text(kArticleTitle) != title; }));
    }
    EXPECT_LE(shown.size(), 2u);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), headlines[1]);
    EXPECT_EQ(Text(kArticleTitle), "");
    server.setHandler(c.code, c.code == 4630 ? simsrv::Handler(news::NewsText) : simsrv::Handler(news::NoticeText));
  }
}

// Five characters typed into the item combo are asked for as they are; the server's answer to an
// unknown code is its message.
TEST_F(NewsTest, AnyFiveCharactersTypedAreAskedForAsTheItem) {
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  size_t mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "99999");
  EXPECT_EQ(PacketSince(4101, mark), QuoteRequest("099999"));
  ExpectBox("종목코드를 확인하세요.");
  EXPECT_EQ(quotetest::Codes(*this, mark), (std::vector<int>{4101}));
  EXPECT_EQ(Focus(), 9901);
  // A known code shows its quote.
  mark = server.logSize();
  TypeInto(IDC_ITEM_COMBO, "00660");
  EXPECT_EQ(PacketSince(4101, mark), QuoteRequest("000660"));
  Settled();
  EXPECT_TRUE(NoBox());
}

// After "조회" (or at the start) a page without rows leaves the list empty; after "다음" the page the
// user left stays.
TEST_F(NoticeTest, AnEmptyFirstPageEmptiesTheList) {
  Bytes empty(16, ' ');
  empty[0] = 0, empty[1] = 0;
  auto answerEmpty = [empty](simsrv::HandlerContext&, const simsrv::Request&, simsrv::Reply& r) { r.body = empty; };
  server.setHandler(4640, answerEmpty);
  OpenNotices();
  Settled();
  EXPECT_EQ(Grid(kGrid).size(), 0u);
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));

  server.setHandler(4640, news::NoticeList);
  ASSERT_TRUE(d->Tap(kQuery));
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  Settled();
  server.setHandler(4640, answerEmpty);
  ASSERT_TRUE(d->Tap(kNext));
  Settled();
  EXPECT_EQ(Column(kGrid, 2), Titles(0, 10));
  ASSERT_TRUE(d->Tap(kQuery));
  Settled();
  EXPECT_EQ(Grid(kGrid).size(), 0u);
  EXPECT_FALSE(Enabled(kNext));
  EXPECT_FALSE(Enabled(kPrev));
}

// The trace lines of the announcements carry the screen's name, not where it was built.
TEST_F(NoticeTest, TraceLinesAreTaggedWithTheScreensName) {
  OpenNotices();
  ASSERT_TRUE(WaitTitles(kGrid, 2, Titles(0, 10)));
  Settled();
  Bytes log = ReadHost(HostFile("\\won_test.txt"));
  std::string trace(log.begin(), log.end());
  EXPECT_NE(trace.find("]vx4630("), std::string::npos) << trace;
  EXPECT_EQ(trace.find(".cpp"), std::string::npos) << trace;
}

// A double tap refused while an announcement is awaited leaves its title: the text opens under the
// title of the row asked for. A reply that cannot be opened does not end the query's wait.
TEST_F(NewsIndexTest, ARefusedDoubleTapKeepsTheTitleOfTheAnnouncementAwaited) {
  OpenNewsIndex();
  ASSERT_TRUE(WaitTitles(kList, 1, Titles(0, 10)));
  Settled();
  // The text of row 0 comes only with the reply to the next base quote.
  HoldReply(server, 4650, 4101);
  size_t mark = server.logSize();
  DoubleTapCell(kList, 0, 1, {60, 163}, 17, 17);
  ASSERT_TRUE(server.waitForRequest(4650, 3000, nullptr, mark));
  DoubleTapCell(kList, 1, 1, {60, 163}, 17, 17);
  EXPECT_EQ(server.requests(4650, mark).size(), 1u);
  ASSERT_TRUE(d->Tap(kQuery));
  auto [title, text] = ReadArticle();
  EXPECT_EQ(title, news::Notices()[0].title);
  EXPECT_EQ(text.substr(0, text.find("\r\n")),
            "1. 제출인: " + news::Notices()[0].title.substr(0, news::Notices()[0].title.find(' ')));
}

TEST_F(NewsIndexTest, OnlyRepliesThePacketLayerOpensCountAgainstTheQuery) {
  OpenNewsIndex();
  ASSERT_TRUE(WaitTitles(kList, 1, Titles(0, 10)));
  Settled();
  ASSERT_FALSE(plat::win::WaitCursorShown());
  // The announcements come enciphered with a check value the session refuses.
  server.setHandler(4640, [](simsrv::HandlerContext& ctx, const simsrv::Request& q, simsrv::Reply& r) {
    news::NoticeList(ctx, q, r);
    r.encipher = true;
  });
  simsrv::Fault tamper;
  tamper.kind = simsrv::FaultKind::TamperMac;
  tamper.code = 4640;
  server.setFault(tamper);
  ASSERT_TRUE(d->Tap(kQuery));
  ExpectBox("ERROR : 데이터 수신 에러");
  EXPECT_FALSE(TakeBox().empty());  // the session's reason
  Settled();
  // The quote and the indices came, the announcements did not: the query still waits, until its
  // time-out.
  EXPECT_EQ(Grid(kIndices).size(), 3u);
  EXPECT_TRUE(plat::win::WaitCursorShown());
  d->Advance(10000);
  EXPECT_FALSE(plat::win::WaitCursorShown());
}

// A news plug-in whose socket layer cannot start says so and does not load; once the layer starts,
// the screen loads and works.
TEST_F(NewsTest, APluginWhoseSocketLayerCannotStartDoesNotLoad) {
  for (const char16_t* name : {u"VX4620.dll", u"VX4630.dll", u"VX4250.dll"}) {
    SCOPED_TRACE(Utf8(name));
    PlatFailWSAStartup(WSASYSNOTREADY);
    std::atomic<bool> done{false};
    std::atomic<HMODULE> loaded{nullptr};
    std::atomic<DWORD> error{0};
    const std::u16string path = u"\\Program Files\\Quorvan\\Bin\\" + std::u16string(name);
    d->Ui([&] {
      loaded = LoadLibrary(path.c_str());
      error = GetLastError();
      done = true;
    });
    ExpectBox("Windows sockets initialization failed.");
    PlatFailWSAStartup(0);
    ASSERT_TRUE(WaitFor([&] { return done.load(); }));
    EXPECT_EQ(loaded.load(), nullptr);
    EXPECT_EQ(error.load(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  }
  Open();
  ASSERT_TRUE(WaitHeadlines(Slice(0, 8)));
  EXPECT_TRUE(NoBox());
}

}  // namespace
