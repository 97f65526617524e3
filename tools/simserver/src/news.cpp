#include "news.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "market.h"
#include "simserver/server.h"

namespace simsrv::news {

namespace {

using wire::FromCp949;
using wire::GetText;
using wire::PutNetFloat2;
using wire::PutNetValue;
using wire::PutText;
using wire::ToCp949;

const char* const kItems[] = {"삼성전자", "SK하이닉스", "NAVER", "현대차", "카카오", "셀트리온"};
const char* const kSources[] = {"연합뉴스", "이데일리", "머니투데이", "한국경제"};

std::string Format(const char* pattern, const std::string& name) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, name.c_str());
  return text;
}

// One clock for the desk: `minutesBack` before 15:30 on 26-12-10, or on the day before when it
// goes past the opening.
void Stamp(int minutesBack, int second, uint8_t date[3], uint8_t time[3]) {
  int minute = 15 * 60 + 30 - minutesBack;
  int day = 10;
  while (minute < 9 * 60) {
    minute += 390;  // a trading day of six and a half hours
    --day;
  }
  date[0] = 26, date[1] = 12, date[2] = static_cast<uint8_t>(day);
  time[0] = static_cast<uint8_t>(minute / 60), time[1] = static_cast<uint8_t>(minute % 60);
  time[2] = static_cast<uint8_t>(second);
}

std::vector<Article> MakeArticles() {
  static const char* const kHeadlines[] = {
      "%s, 4분기 실적 시장 예상 웃돌 듯", "%s 외국인 순매수 사흘째 이어져", "%s, 신규 설비 투자 계획 발표",
      "[특징주] %s 장 초반 강세",         "%s 목표주가 잇따라 상향",
  };
  std::vector<Article> out;
  for (int i = 0; i < 20; ++i) {
    Article a;
    Stamp(i * 23, i % 60, a.date, a.time);
    char id[16];
    std::snprintf(id, sizeof id, "NW%011d", 20 - i);
    a.id = id;
    a.source = kSources[i % 4];
    // Every other article is about the first item: its search goes over more than one page.
    a.itemName = i % 2 == 0 ? kItems[0] : kItems[1 + (i / 2) % 5];
    a.headline = Format(kHeadlines[i % 5], a.itemName);
    a.lines = {
        Format("%s에 대한 증권가의 관심이 높아지고 있다.", a.itemName),
        "업계에 따르면 올해 하반기 수요 회복이 예상보다 빠르게 진행되고 있으며,",
        "주요 고객사의 주문도 늘어난 것으로 알려졌다.",
    };
    if (i % 3 == 0) {
      a.lines.push_back("한 애널리스트는 \"단기 변동성은 있겠지만 중장기 방향은 긍정적\"이라고 말했다.");
      a.lines.push_back(Format("%s 주가는 이날 오후 들어 상승 폭을 키웠다.", a.itemName));
    }
    if (i == 1)
      for (int k = 0; k < 9; ++k) a.lines.push_back(Format("(참고) 관련 자료 %s", std::to_string(k + 1)));
    a.lines.push_back("<저작권자 ⓒ " + a.source + " 무단전재 및 재배포 금지>");
    out.push_back(a);
  }
  return out;
}

std::vector<Notice> MakeNotices() {
  static const char* const kTitles[] = {
      "%s 주요사항보고서(자기주식취득결정)",
      "%s 분기보고서 (2026.09)",
      "%s 단일판매 공급계약 체결",
      "%s 기업설명회(IR) 개최",
      "%s 현금 현물배당 결정",
  };
  std::vector<Notice> out;
  for (int i = 0; i < 25; ++i) {
    Notice n;
    Stamp(i * 17, (i * 7) % 60, n.date, n.time);
    char text[32];
    std::snprintf(text, sizeof text, "D%09d", 25 - i);
    n.key = text;
    std::snprintf(text, sizeof text, "20%02d%02d%02d%02d%02d%02d", n.date[0], n.date[1], n.date[2], n.time[0],
                  n.time[1], n.time[2]);
    n.order = text;
    std::string item = kItems[i % 6];
    n.title = Format(kTitles[i % 5], item);
    n.lines = {"1. 제출인: " + item, "2. 공시 내용", "  - 이사회 결의에 따른 사항을 아래와 같이 공시합니다.",
               "3. 기타 투자판단에 참고할 사항", "  - 상기 내용은 향후 변경될 수 있습니다."};
    // The longest announcement fills a packet: sixteen lines of 255 bytes.
    if (i == 2)
      while (n.lines.size() < 16) n.lines.push_back("  - 세부 내역 " + std::to_string(n.lines.size() - 4));
    out.push_back(n);
  }
  return out;
}

// Lines of `width` bytes after a count byte, as many as a packet holds.
Bytes TextBody(const std::vector<std::string>& lines, size_t width) {
  size_t n = std::min(lines.size(), (4096 - 15 - 1) / width);
  Bytes b(1 + n * width, 0);
  b[0] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) PutText(&b[1 + i * width], width, ToCp949(lines[i]));
  return b;
}

void PutArticle(uint8_t* row, const Article& a) {
  Bytes key = a.Key();
  std::memcpy(row, key.data(), key.size());
  PutText(row + 19, 50, ToCp949(a.source));
  PutText(row + 69, kNewsLine, ToCp949(a.headline));
}

bool AllZero(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

// The index of the article a continuation key names (its first 19 bytes); 0 for a zero key, -1
// for a key of no article among `list`.
int StartOf(const std::vector<const Article*>& list, const uint8_t* key, size_t width) {
  if (AllZero(key, width)) return 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (std::memcmp(list[i]->Key().data(), key, 19) == 0) return static_cast<int>(i);
  return -1;
}

// A page of `list` from `start`: the more flag, the next key (`keyWidth` bytes), the rows.
struct Page {
  char more = 'N';
  Bytes next;
  std::vector<const Article*> rows;
};
Page PageOf(const std::vector<const Article*>& list, int start, int rows, size_t keyWidth) {
  Page p;
  p.next.assign(keyWidth, 0);
  if (start < 0) return p;
  size_t end = std::min(list.size(), static_cast<size_t>(start) + static_cast<size_t>(rows));
  for (size_t i = static_cast<size_t>(start); i < end; ++i) p.rows.push_back(list[i]);
  if (end < list.size()) {
    p.more = 'Y';
    Bytes key = list[end]->Key();
    std::copy(key.begin(), key.end(), p.next.begin());
  }
  return p;
}

int RowsAsked(uint8_t rows) { return rows == 0 ? 8 : std::min<int>(rows, 16); }

}  // namespace

Bytes Article::Key() const {
  Bytes k(19, 0);
  std::memcpy(&k[0], date, 3);
  std::memcpy(&k[3], time, 3);
  std::memcpy(&k[6], id.data(), std::min<size_t>(id.size(), 13));
  return k;
}

const std::vector<Article>& Articles() {
  static const std::vector<Article> articles = MakeArticles();
  return articles;
}

const std::vector<Notice>& Notices() {
  static const std::vector<Notice> notices = MakeNotices();
  return notices;
}

// 4620 body: 'A', page, rows, 0, the 22-byte key of the page (zero on the first), "00".
void NewsList(HandlerContext&, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  if (b.size() < 28) {
    r.Error("뉴스", "요청 길이가 올바르지 않습니다.");
    return;
  }
  std::vector<const Article*> all;
  for (const Article& a : Articles()) all.push_back(&a);
  Page p = PageOf(all, StartOf(all, &b[4], 22), RowsAsked(b[2]), 22);
  r.body.assign(24 + kNewsRow * p.rows.size(), 0);
  r.body[0] = static_cast<uint8_t>(p.more);
  std::copy(p.next.begin(), p.next.end(), r.body.begin() + 1);
  r.body[23] = static_cast<uint8_t>(p.rows.size());
  for (size_t i = 0; i < p.rows.size(); ++i) PutArticle(&r.body[24 + kNewsRow * i], *p.rows[i]);
}

// 4625 body: 'A', page, rows, 0, the 20-byte key, two zero bytes, '1', the 30-byte search text
// (an item name), two zero bytes. The articles about the item or naming it in their headline.
void NewsSearch(HandlerContext&, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  if (b.size() < 57) {
    r.Error("뉴스", "요청 길이가 올바르지 않습니다.");
    return;
  }
  std::string text = FromCp949(GetText(&b[27], 30));
  if (text.empty()) {
    r.Error("뉴스", "검색할 종목명을 입력하세요.");
    return;
  }
  std::vector<const Article*> found;
  for (const Article& a : Articles())
    if (a.itemName == text || a.headline.find(text) != std::string::npos) found.push_back(&a);
  Page p = PageOf(found, StartOf(found, &b[4], 20), RowsAsked(b[2]), 20);
  r.body.assign(23 + kNewsRow * p.rows.size(), 0);
  r.body[0] = b[1];
  r.body[1] = static_cast<uint8_t>(p.more);
  std::copy(p.next.begin(), p.next.end(), r.body.begin() + 2);
  r.body[22] = static_cast<uint8_t>(p.rows.size());
  for (size_t i = 0; i < p.rows.size(); ++i) PutArticle(&r.body[23 + kNewsRow * i], *p.rows[i]);
}

// 4630 body: the 19-byte key of an article.
void NewsText(HandlerContext&, const Request& req, Reply& r) {
  if (req.body.size() >= 19)
    for (const Article& a : Articles())
      if (std::memcmp(a.Key().data(), req.body.data(), 19) == 0) {
        r.body = TextBody(a.lines, kNewsLine);
        return;
      }
  r.Error("뉴스", "기사를 찾을 수 없습니다.");
}

// 4640 body: '3', rows, the 14-digit key of the first announcement of the page
// ("99999999999999": the newest). Announcements at or before the key, newest first.
void NoticeList(HandlerContext&, const Request& req, Reply& r) {
  const Bytes& b = req.body;
  std::string key = b.size() >= 16 ? std::string(b.begin() + 2, b.begin() + 16) : std::string();
  if (key.size() != 14 || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    r.Error("공시", "조회 키가 올바르지 않습니다.");
    return;
  }
  int rows = b[1] == 0 ? 10 : std::min<int>(b[1], 14);
  std::vector<const Notice*> page;
  const Notice* next = nullptr;
  for (const Notice& n : Notices()) {
    if (n.order > key) continue;
    if (static_cast<int>(page.size()) == rows) {
      next = &n;
      break;
    }
    page.push_back(&n);
  }
  r.body.assign(16 + kNoticeRow * page.size(), 0);
  r.body[0] = static_cast<uint8_t>(page.size());
  std::string nextKey = next ? next->order : std::string(14, ' ');
  std::copy(nextKey.begin(), nextKey.end(), r.body.begin() + 2);
  for (size_t i = 0; i < page.size(); ++i) {
    uint8_t* row = &r.body[16 + kNoticeRow * i];
    PutText(row, 10, page[i]->key);
    PutText(row + 10, kNoticeLine, ToCp949(page[i]->title));
    std::memcpy(row + 265, page[i]->date, 3);
    std::memcpy(row + 268, page[i]->time, 3);
  }
}

// 4650 body: the 10-byte key of an announcement.
void NoticeText(HandlerContext&, const Request& req, Reply& r) {
  std::string key = req.body.size() >= 10 ? GetText(req.body.data(), 10) : std::string();
  for (const Notice& n : Notices())
    if (n.key == key) {
      r.body = TextBody(n.lines, kNoticeLine);
      return;
    }
  r.Error("공시", "공시 내용을 찾을 수 없습니다.");
}

// 4175: the composite indices with their change and the day's volume (thousands of shares).
void IndexList(HandlerContext& ctx, const Request&, Reply& r) {
  static const struct {
    const char* code;
    const char* name;
    int64_t volume;
  } kIndices[] = {{"00001", "KOSPI", 412385}, {"02001", "KOSDAQ", 687204}, {"01001", "KOSPI200", 98311}};
  r.body.assign(1, 0);
  for (const auto& k : kIndices) {
    const Index* index = ctx.market.FindIndex(k.code);
    if (!index) continue;
    size_t at = r.body.size();
    r.body.resize(at + kIndexRow, 0);
    uint8_t* row = &r.body[at];
    PutText(row, 10, ToCp949(k.name));
    PutNetFloat2(row + 10, index->value);
    int64_t change = index->value - index->prevClose;
    PutNetFloat2(row + 14, change < 0 ? -change : change);
    row[18] = static_cast<uint8_t>(Market::Sign(index->value, index->prevClose));
    PutNetValue(row + 19, 3, k.volume);
    ++r.body[0];
  }
}

}  // namespace simsrv::news
