// The news desk of the simulated server: stock news (4620 list, 4625 search by item name, 4630
// article) and announcements (4640 list, 4650 text), with the market's indices (4175). The
// articles are fixed, newest first, so that every run pages through the same keys.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "wire.h"

namespace simsrv {

struct Request;
struct Reply;
struct HandlerContext;

namespace news {

using wire::Bytes;

struct Article {
  uint8_t date[3];                 // year within the century, month, day
  uint8_t time[3];                 // hour, minute, second
  std::string id;                  // 13 characters: with date and time the 19-byte article key
  std::string source;              // UTF-8
  std::string itemName;            // the item the article is about (UTF-8)
  std::string headline;            // UTF-8
  std::vector<std::string> lines;  // UTF-8
  Bytes Key() const;               // the 19-byte key
};

struct Notice {
  std::string key;    // 10 characters, sent back in 4650
  std::string order;  // 14 digits ("YYYYMMDDhhmmss"): the paging key
  uint8_t date[3];
  uint8_t time[3];
  std::string title;               // UTF-8
  std::vector<std::string> lines;  // UTF-8
};

const std::vector<Article>& Articles();
const std::vector<Notice>& Notices();

// Record sizes of the replies.
constexpr size_t kNewsRow = 201, kNewsLine = 132, kNoticeRow = 271, kNoticeLine = 255, kIndexRow = 25;

void NewsList(HandlerContext& ctx, const Request& req, Reply& r);    // 4620
void NewsSearch(HandlerContext& ctx, const Request& req, Reply& r);  // 4625
void NewsText(HandlerContext& ctx, const Request& req, Reply& r);    // 4630
void NoticeList(HandlerContext& ctx, const Request& req, Reply& r);  // 4640
void NoticeText(HandlerContext& ctx, const Request& req, Reply& r);  // 4650
void IndexList(HandlerContext& ctx, const Request& req, Reply& r);   // 4175

}  // namespace news
}  // namespace simsrv
