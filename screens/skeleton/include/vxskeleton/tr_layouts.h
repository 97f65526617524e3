// The request and reply bodies of the screens' transactions, field by field (offset, width, kind),
// written once here and read and written through vxskeleton/wire.h. The fuzz dictionaries are made
// from kLayouts (tools/layout-dict); the simulated server keeps its own reading of these bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "vxskeleton/wire.h"

namespace vxtr {

using vxwire::Field;
using vxwire::Kind;
using vxwire::Layout;

// ACCOUNT_AUTH, the head of the order, balance and transfer requests.
inline constexpr Field kAccount{"account", 0, 10, Kind::Digits};
inline constexpr Field kPassword{"password", 10, 8, Kind::Text};
inline constexpr int kAuthSize = 18;

// ---- Stock and ECN orders: 2310 buy, 2300 cash sell, 4360 ECN buy, 4350 ECN sell --------------
namespace order {
inline constexpr Field kFiller{"filler", 18, 1, Kind::Char};  // '0'
inline constexpr Field kCode{"code", 19, 5, Kind::Text};
inline constexpr Field kQuantity{"quantity", 24, 7, Kind::Digits};
inline constexpr Field kPrice{"price", 31, 8, Kind::Digits};
inline constexpr Field kType{"type", 39, 1, Kind::Char};  // '1' to '5'
inline constexpr int kRequestSize = 40;
inline constexpr Field kRequest[] = {kAccount, kPassword, kFiller, kCode, kQuantity, kPrice, kType};
// Reply: the order number the server gave.
inline constexpr Field kOrderNumber{"order_number", 38, 5, Kind::Text};
inline constexpr Field kReply[] = {kOrderNumber};
}  // namespace order

// ---- Stock order modify 2320 and cancel 2330 ------------------------------------------------------
namespace change {
inline constexpr Field kTarget{"original_number", 18, 5, Kind::Digits};
inline constexpr Field kFiller{"filler", 23, 1, Kind::Char};  // '0'
inline constexpr Field kCode{"code", 24, 5, Kind::Text};
inline constexpr Field kQuantity{"quantity", 29, 7, Kind::Digits};
inline constexpr Field kPrice{"price", 36, 8, Kind::Digits};  // "00000000" in a cancel
inline constexpr Field kKind{"kind", 44, 1, Kind::Char};
inline constexpr Field kCondition{"condition", 45, 1, Kind::Char};
inline constexpr int kRequestSize = 46;
inline constexpr Field kRequest[] = {kAccount,  kPassword, kTarget, kFiller,   kCode,
                                     kQuantity, kPrice,    kKind,   kCondition};
inline constexpr Field kNewNumber{"new_number", 15, 5, Kind::Text};
inline constexpr Field kReply[] = {kNewNumber};
}  // namespace change

// ---- ECN order cancel 4380 ------------------------------------------------------------------------
namespace ecn_cancel {
using change::kCode;
using change::kFiller;
using change::kNewNumber;
using change::kQuantity;
using change::kTarget;
inline constexpr Field kKind{"kind", 36, 1, Kind::Char};  // part or all that is left
inline constexpr int kRequestSize = 37;
inline constexpr Field kRequest[] = {kAccount, kPassword, kTarget, kFiller, kCode, kQuantity, kKind};
inline constexpr Field kReply[] = {kNewNumber};
}  // namespace ecn_cancel

// ---- Order and fill inquiry 4340 ----------------------------------------------------------------
namespace inquiry {
inline constexpr Field kFilter{"filter", 18, 1, Kind::Char};  // all, filled or open
inline constexpr Field kPage{"page", 19, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 20, 1, Kind::Byte};
inline constexpr int kRequestSize = 21;
inline constexpr Field kRequest[] = {kAccount, kPassword, kFilter, kPage, kRows};
inline constexpr Field kReplyAccount{"account", 0, 10, Kind::Digits};
inline constexpr Field kNext{"next", 12, 1, Kind::Char};  // 'Y': another page
inline constexpr Field kCount{"count", 13, 1, Kind::Byte};
inline constexpr Field kReply[] = {kReplyAccount, kNext, kCount};
inline constexpr int kRecordsAt = 15, kRecordSize = 66;
// One order.
inline constexpr Field kCode{"code", 0, 5, Kind::Text};
inline constexpr Field kName{"name", 5, 10, Kind::Text};
inline constexpr Field kKind{"kind", 15, 14, Kind::Text};
inline constexpr Field kQuantity{"quantity", 30, 6, Kind::Number};
inline constexpr Field kPrice{"price", 36, 6, Kind::Number};
inline constexpr Field kFilled{"filled", 42, 6, Kind::Number};
inline constexpr Field kAverage{"average", 48, 6, Kind::Number};
inline constexpr Field kOpen{"open", 54, 6, Kind::Number};  // what may still be modified or cancelled
inline constexpr Field kNumber{"number", 60, 5, Kind::Text};
inline constexpr Field kRecord[] = {kCode, kName, kKind, kQuantity, kPrice, kFilled, kAverage, kOpen, kNumber};
}  // namespace inquiry

// ---- Balances: 4402 order-available, 4401 evaluation, 4450 sellable ------------------------------
namespace available {
inline constexpr int kRequestSize = kAuthSize;
inline constexpr Field kRequest[] = {kAccount, kPassword};
inline constexpr Field kDeposit{"deposit", 10, 6, Kind::Number};
inline constexpr Field kUnpaid{"unpaid_cash", 22, 6, Kind::Number};
inline constexpr Field kMarginCash{"margin_cash", 28, 6, Kind::Number};
inline constexpr Field kMarginSubstitute{"margin_substitute", 34, 6, Kind::Number};
inline constexpr Field kRebuy{"rebuy", 46, 6, Kind::Number};
inline constexpr Field kKosdaq{"kosdaq_orderable", 52, 6, Kind::Number};
inline constexpr Field kExchange{"exchange_orderable", 58, 6, Kind::Number};
inline constexpr Field kCash{"orderable_cash", 70, 6, Kind::Number};
inline constexpr int kReplySize = 76;
inline constexpr Field kReply[] = {kAccount, kDeposit, kUnpaid,   kMarginCash, kMarginSubstitute,
                                   kRebuy,   kKosdaq,  kExchange, kCash};
}  // namespace available

namespace evaluation {
inline constexpr Field kPage{"page", 18, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 19, 1, Kind::Byte};
inline constexpr Field kKey{"key", 20, 131, Kind::Raw};  // the continuation key of the last reply
inline constexpr int kRequestSize = 151;
inline constexpr Field kRequest[] = {kAccount, kPassword, kPage, kRows, kKey};
inline constexpr Field kReplyKey{"key", 40, 131, Kind::Raw};
inline constexpr Field kNext{"next", 172, 1, Kind::Char};
inline constexpr Field kCount{"count", 173, 1, Kind::Byte};
inline constexpr Field kReply[] = {kAccount, kReplyKey, kNext, kCount};
inline constexpr int kRecordsAt = 174, kRecordSize = 85;
// One holding.
inline constexpr Field kName{"name", 6, 30, Kind::Text};
inline constexpr Field kBalanceKind{"balance_kind", 36, 8, Kind::Text};
inline constexpr Field kToday{"today", 44, 6, Kind::Number};
inline constexpr Field kD2{"d2", 50, 6, Kind::Number};
inline constexpr Field kAverage{"average", 56, 6, Kind::Number};
inline constexpr Field kCurrent{"current", 62, 6, Kind::Number};
inline constexpr Field kValue{"value", 68, 6, Kind::Number};
inline constexpr Field kSign{"sign", 74, 1, Kind::Char};
inline constexpr Field kProfit{"profit", 75, 6, Kind::Number};
inline constexpr Field kRateWhole{"rate", 81, 2, Kind::Short};
inline constexpr Field kRateHundredths{"rate_hundredths", 83, 2, Kind::Short};
inline constexpr Field kRecord[] = {kName,  kBalanceKind, kToday,  kD2,        kAverage,       kCurrent,
                                    kValue, kSign,        kProfit, kRateWhole, kRateHundredths};
}  // namespace evaluation

namespace sellable {
inline constexpr Field kKey{"key", 18, 22, Kind::Raw};
inline constexpr Field kPage{"page", 40, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 41, 1, Kind::Byte};
inline constexpr int kRequestSize = 42;
inline constexpr Field kRequest[] = {kAccount, kPassword, kKey, kPage, kRows};
inline constexpr Field kReplyKey{"key", 10, 22, Kind::Raw};
inline constexpr Field kReplyPage{"page", 32, 1, Kind::Byte};
inline constexpr Field kNext{"next", 33, 1, Kind::Char};
inline constexpr Field kCount{"count", 34, 1, Kind::Byte};
inline constexpr Field kReply[] = {kAccount, kReplyKey, kReplyPage, kNext, kCount};
inline constexpr int kRecordsAt = 35, kRecordSize = 50;
// One holding.
inline constexpr Field kBalanceKind{"balance_kind", 0, 8, Kind::Text};
inline constexpr Field kCode{"code", 9, 5, Kind::Text};  // without its leading '0'
inline constexpr Field kName{"name", 14, 30, Kind::Text};
inline constexpr Field kOrderable{"orderable", 44, 6, Kind::Number};
inline constexpr Field kRecord[] = {kBalanceKind, kCode, kName, kOrderable};
}  // namespace sellable

// ---- Bank transfer: 2420 receivers, 2421 withdrawable, 2422 receiver inquiry, 2423 follow-up, ----
// ---- 2425 transfer; 4440 transfer applications ---------------------------------------------------
namespace transfer {
inline constexpr Field kListSize{"list_size", 18, 1, Kind::Byte};  // 10
inline constexpr int kReceiversRequestSize = 19;
inline constexpr Field kReceiversRequest[] = {kAccount, kPassword, kListSize};
inline constexpr Field kReceiversCount{"count", 10, 1, Kind::Byte};
inline constexpr Field kReceiversReply[] = {kAccount, kReceiversCount};
inline constexpr int kReceiversAt = 11, kReceiverSize = 36;
inline constexpr Field kReceiverBank{"bank", 0, 2, Kind::Text};
inline constexpr Field kReceiverName{"name", 2, 14, Kind::Text};
inline constexpr Field kReceiverNumber{"number", 16, 20, Kind::Text};
inline constexpr Field kReceiver[] = {kReceiverBank, kReceiverName, kReceiverNumber};

inline constexpr int kWithdrawableRequestSize = kAuthSize;
inline constexpr Field kWithdrawableRequest[] = {kAccount, kPassword};

// 2422: the password field is 4 bytes here.
inline constexpr Field kInquiryPassword{"password", 10, 4, Kind::Text};
inline constexpr Field kInquiryBank{"bank", 14, 2, Kind::Text};
inline constexpr Field kInquiryNumber{"number", 16, 20, Kind::Text};
inline constexpr Field kInquiryAmount{"amount", 36, 9, Kind::Digits};
inline constexpr int kInquiryRequestSize = 45;
inline constexpr Field kInquiryRequest[] = {kAccount, kInquiryPassword, kInquiryBank, kInquiryNumber, kInquiryAmount};

// 2423: no password; the two bytes the inquiry's reply held at 44.
inline constexpr Field kFollowUpBank{"bank", 10, 2, Kind::Text};
inline constexpr Field kFollowUpNumber{"number", 12, 20, Kind::Text};
inline constexpr Field kFollowUpAmount{"amount", 32, 9, Kind::Digits};
inline constexpr Field kFollowUpMark{"mark", 41, 2, Kind::Raw};
inline constexpr Field kInquiryReplyMark{"mark", 44, 2, Kind::Raw};
inline constexpr int kFollowUpRequestSize = 43;
inline constexpr Field kFollowUpRequest[] = {kAccount, kFollowUpBank, kFollowUpNumber, kFollowUpAmount, kFollowUpMark};

// 2425: the bank, the first two characters of the receiver's number and the inquiry's key.
inline constexpr Field kTransferBank{"bank", 18, 2, Kind::Text};
inline constexpr Field kTransferNumberHead{"number_head", 20, 2, Kind::Text};
inline constexpr Field kTransferKey{"key", 22, 10, Kind::Raw};
inline constexpr Field kTransferAmount{"amount", 32, 9, Kind::Digits};
inline constexpr int kTransferRequestSize = 45;
inline constexpr Field kTransferRequest[] = {kAccount,     kPassword,      kTransferBank, kTransferNumberHead,
                                             kTransferKey, kTransferAmount};

// Replies. 2421: the amount the account may withdraw.
inline constexpr Field kWithdrawable{"withdrawable", 0, 6, Kind::Number};
inline constexpr Field kWithdrawableReply[] = {kWithdrawable};
// 2422 and 2423: '2' in the first byte asks for the follow-up 2423 (with the mark); otherwise the
// key of the transfer and the receiver's name.
inline constexpr Field kInquiryState{"state", 0, 1, Kind::Char};
inline constexpr Field kInquiryKey{"key", 1, 10, Kind::Raw};
inline constexpr int kInquiryReplyMinimum = 11;
inline constexpr int kReceiverNameAt = 24;  // the name runs to the end of the reply
inline constexpr Field kInquiryReply[] = {kInquiryState, kInquiryKey, kInquiryReplyMark};
// 2425: what was done.
inline constexpr Field kResultAccountHead{"account_head", 0, 8, Kind::Text};
inline constexpr Field kResultAccountTail{"account_tail", 8, 2, Kind::Text};
inline constexpr Field kResultAmount{"amount", 10, 6, Kind::Number};
inline constexpr Field kResultFee{"fee", 16, 4, Kind::Number};
inline constexpr Field kResultNumber{"number", 20, 20, Kind::Text};
inline constexpr Field kResultBank{"bank", 40, 10, Kind::Text};
inline constexpr int kResultSize = 50;
inline constexpr Field kResultReply[] = {kResultAccountHead, kResultAccountTail, kResultAmount,
                                         kResultFee,         kResultNumber,      kResultBank};
}  // namespace transfer

namespace applications {
inline constexpr Field kKind{"kind", 18, 1, Kind::Byte};  // 2
inline constexpr Field kPage{"page", 19, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 20, 1, Kind::Byte};
inline constexpr int kRequestSize = 21;
inline constexpr Field kRequest[] = {kAccount, kPassword, kKind, kPage, kRows};
inline constexpr Field kNext{"next", 11, 1, Kind::Char};
inline constexpr Field kCount{"count", 12, 1, Kind::Byte};
inline constexpr Field kReply[] = {kAccount, kNext, kCount};
inline constexpr int kRecordsAt = 13, kRecordSize = 128;
// One application.
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};  // year - 2000, month, day
inline constexpr Field kTime{"time", 3, 3, Kind::Raw};  // hours, minutes, seconds
inline constexpr Field kAmount{"amount", 6, 6, Kind::Number};
inline constexpr Field kBank{"bank", 12, 10, Kind::Text};
inline constexpr Field kNumber{"number", 22, 20, Kind::Number};
inline constexpr Field kHolder{"holder", 42, 12, Kind::Text};
inline constexpr Field kFee{"fee", 74, 6, Kind::Number};
inline constexpr Field kRecord[] = {kDate, kTime, kAmount, kBank, kNumber, kHolder, kFee};
}  // namespace applications

// ---- Quotes: 6100 order book, 4140 last trades, 9000 push registration, the pushes ------------
namespace quote {
inline constexpr Field kCode{"code", 0, 6, Kind::Text};  // '0' and the 5-digit code users see
// 6100: '1' five levels, '2' ten levels.
inline constexpr Field kLevels{"levels", 6, 1, Kind::Char};
inline constexpr int kBookRequestSize = 7;
inline constexpr Field kBookRequest[] = {kCode, kLevels};
// ORDER_BOOK_6100 of five levels (ten levels: every part twice as wide, 324 bytes).
inline constexpr Field kAskPrices{"ask_prices", 0, 20, Kind::Raw};
inline constexpr Field kAskSigns{"ask_signs", 20, 5, Kind::Raw};
inline constexpr Field kAskVolumes{"ask_volumes", 25, 30, Kind::Raw};
inline constexpr Field kAskTotal{"ask_total", 75, 6, Kind::Number};
inline constexpr Field kBidPrices{"bid_prices", 81, 20, Kind::Raw};
inline constexpr Field kBidSigns{"bid_signs", 101, 5, Kind::Raw};
inline constexpr Field kBidVolumes{"bid_volumes", 106, 30, Kind::Raw};
inline constexpr Field kBidTotal{"bid_total", 156, 6, Kind::Number};
inline constexpr Field kAfterAskTotal{"after_hours_ask_total", 162, 6, Kind::Number};
inline constexpr Field kAfterBidTotal{"after_hours_bid_total", 168, 6, Kind::Number};
inline constexpr int kBook5Size = 174;
inline constexpr Field kBook5Reply[] = {kAskPrices, kAskSigns,   kAskVolumes, kAskTotal,      kBidPrices,
                                        kBidSigns,  kBidVolumes, kBidTotal,   kAfterAskTotal, kAfterBidTotal};
// 4140: rows wanted, page, direction 'F', a key of four blanks.
inline constexpr Field kRows{"rows", 6, 1, Kind::Byte};
inline constexpr Field kPage{"page", 7, 1, Kind::Byte};
inline constexpr Field kDirection{"direction", 8, 1, Kind::Char};
inline constexpr Field kKey{"key", 9, 4, Kind::Text};
inline constexpr int kTicksRequestSize = 13;
inline constexpr Field kTicksRequest[] = {kCode, kRows, kPage, kDirection, kKey};
// TICK_LIST_4140: the page this reply is, whether a further page exists (1) or not (0), the key of
// the next page, the count.
inline constexpr Field kTicksPage{"page", 0, 1, Kind::Byte};
inline constexpr Field kTicksMore{"more", 1, 1, Kind::Byte};
inline constexpr Field kTicksNextKey{"next_key", 2, 4, Kind::Raw};
inline constexpr Field kTickCount{"count", 6, 1, Kind::Byte};
inline constexpr Field kTicksReply[] = {kTicksPage, kTicksMore, kTicksNextKey, kTickCount};
inline constexpr int kTicksAt = 7, kTickSize = 24;
inline constexpr Field kTickTime{"time", 0, 3, Kind::Raw};  // hours, minutes, seconds
inline constexpr Field kTickPrice{"price", 3, 4, Kind::Number};
inline constexpr Field kTickSign{"sign", 7, 1, Kind::Char};
inline constexpr Field kTickChange{"change", 8, 4, Kind::Number};
inline constexpr Field kTickVolume{"volume", 12, 6, Kind::Number};
inline constexpr Field kTickAccumulated{"accumulated", 18, 6, Kind::Number};
inline constexpr Field kTick[] = {kTickTime, kTickPrice, kTickSign, kTickChange, kTickVolume, kTickAccumulated};
// 9000: '1' register or '2' release one push type for a list of 8-byte code slots.
inline constexpr Field kRealKind{"kind", 0, 1, Kind::Char};
inline constexpr Field kRealOne{"one", 1, 1, Kind::Byte};
inline constexpr Field kRealType{"type", 2, 2, Kind::Short};
inline constexpr Field kRealCount{"count", 4, 1, Kind::Byte};
inline constexpr Field kRealRequest[] = {kRealKind, kRealOne, kRealType, kRealCount};
inline constexpr int kSlotsAt = 5, kSlotSize = 8;
inline constexpr Field kSlot[] = {{"code", 0, 8, Kind::Text}};
// Pushes: a count byte, then the records.
inline constexpr Field kPushCount{"count", 0, 1, Kind::Byte};
inline constexpr Field kPushHead[] = {kPushCount};
inline constexpr int kRecordsAt = 1;
// REAL_DATA_9110, a trade.
inline constexpr Field kTradeCode{"code", 0, 6, Kind::Text};
inline constexpr Field kTradePrice{"price", 6, 4, Kind::Number};
inline constexpr Field kTradeAccumulated{"accumulated", 10, 6, Kind::Number};
inline constexpr Field kTradeSign{"sign", 29, 1, Kind::Char};
inline constexpr Field kTradeChange{"change", 30, 4, Kind::Number};
inline constexpr Field kTradeRate{"rate", 34, 4, Kind::Number};
inline constexpr Field kTradeTime{"time", 58, 3, Kind::Raw};
inline constexpr int kTradeSize = 61;
inline constexpr Field kTrade[] = {kTradeCode,   kTradePrice, kTradeAccumulated, kTradeSign,
                                   kTradeChange, kTradeRate,  kTradeTime};
// REAL_DATA_9210, an index.
inline constexpr Field kIndexCode{"code", 0, 5, Kind::Text};
inline constexpr Field kIndexValue{"value", 5, 4, Kind::Number};
inline constexpr Field kIndexSign{"sign", 9, 1, Kind::Char};
inline constexpr Field kIndexChange{"change", 10, 4, Kind::Number};
inline constexpr int kIndexSize = 23;
inline constexpr Field kIndex[] = {kIndexCode, kIndexValue, kIndexSign, kIndexChange};
}  // namespace quote

// ---- Stock chart: 2500 minute, 2510 daily, 2520 weekly, 2530 monthly bars -------------------
namespace chart {
inline constexpr Field kCode{"code", 0, 6, Kind::Text};  // '0' and the 5-digit code
inline constexpr Field kMark{"mark", 6, 1, Kind::Byte};  // always 0xFF
inline constexpr Field kReserved{"reserved", 7, 2, Kind::Raw};
inline constexpr Field kMinutes{"minutes", 9, 1, Kind::Byte};  // 2500 only: minutes per bar
inline constexpr int kRequestSize = 9, kMinuteRequestSize = 10;
inline constexpr Field kRequest[] = {kCode, kMark, kReserved};
inline constexpr Field kMinuteRequest[] = {kCode, kMark, kReserved, kMinutes};
// The reply: an 18-byte head the screen does not read, a signed bar count, the bars oldest first.
inline constexpr Field kHead{"head", 0, 18, Kind::Raw};
inline constexpr Field kCount{"count", 18, 1, Kind::Byte};
inline constexpr Field kReply[] = {kHead, kCount};
inline constexpr int kBarsAt = 19, kBarSize = 37;
// A bar: year within the century, month, day (minute bars: hour, minute, unused).
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};
inline constexpr Field kOpen{"open", 3, 4, Kind::Number};
inline constexpr Field kHigh{"high", 7, 4, Kind::Number};
inline constexpr Field kLow{"low", 11, 4, Kind::Number};
inline constexpr Field kClose{"close", 15, 4, Kind::Number};
inline constexpr Field kAverage5{"average5", 19, 4, Kind::Number};  // -1: no value
inline constexpr Field kAverage20{"average20", 23, 4, Kind::Number};
inline constexpr Field kAverage60{"average60", 27, 4, Kind::Number};
inline constexpr Field kVolume{"volume", 31, 6, Kind::Number};  // shares
inline constexpr Field kBar[] = {kDate, kOpen, kHigh, kLow, kClose, kAverage5, kAverage20, kAverage60, kVolume};
}  // namespace chart
// 4130: daily prices of one item, a page at a time.
namespace daily {
inline constexpr Field kCode = quote::kCode;
inline constexpr Field kRows{"rows", 6, 1, Kind::Byte};
inline constexpr Field kPage{"page", 7, 1, Kind::Byte};
inline constexpr Field kDirection{"direction", 8, 1, Kind::Char};  // 'F' first, 'N' next, 'P' previous
inline constexpr Field kKey{"key", 9, 3, Kind::Raw};               // three blanks on page 1
inline constexpr int kRequestSize = 12;
inline constexpr Field kRequest[] = {kCode, kRows, kPage, kDirection, kKey};
// DAILY_LIST_4130.
inline constexpr Field kReplyPage{"page", 0, 1, Kind::Byte};
inline constexpr Field kMore{"more", 1, 1, Kind::Byte};
inline constexpr Field kCount{"count", 2, 1, Kind::Byte};
inline constexpr Field kNextKey{"next_key", 3, 3, Kind::Raw};
inline constexpr Field kReply[] = {kReplyPage, kMore, kCount, kNextKey};
inline constexpr int kRecordsAt = 6, kRecordSize = 22;
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};  // year of two digits, month, day
inline constexpr Field kPrice{"price", 3, 4, Kind::Number};
inline constexpr Field kSign{"sign", 7, 1, Kind::Char};
inline constexpr Field kChange{"change", 8, 4, Kind::Number};
inline constexpr Field kRateWhole{"rate_whole", 12, 2, Kind::Short};
inline constexpr Field kRateHundredths{"rate_hundredths", 14, 2, Kind::Short};
inline constexpr Field kVolume{"volume", 16, 6, Kind::Number};
inline constexpr Field kRecord[] = {kDate, kPrice, kSign, kChange, kRateWhole, kRateHundredths, kVolume};
}  // namespace daily

// ---- Rankings of a market, a page at a time -------------------------------------------------------
// 4190 and 4180: market (1 KOSPI, 2 KOSDAQ), ranking kind, page, rows per page.
namespace ranking {
inline constexpr Field kMarket{"market", 0, 1, Kind::Byte};
inline constexpr Field kKind{"kind", 1, 1, Kind::Byte};
inline constexpr Field kPage{"page", 2, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 3, 1, Kind::Byte};
inline constexpr int kRequestSize = 4;
inline constexpr Field kRequest[] = {kMarket, kKind, kPage, kRows};
// 4600 and 4170: the same numbers, rows per page first (4170's market: 0 KOSPI, 1 KOSDAQ).
inline constexpr Field kRowsFirst{"rows", 0, 1, Kind::Byte};
inline constexpr Field kPageSecond{"page", 1, 1, Kind::Byte};
inline constexpr Field kMarketThird{"market", 2, 1, Kind::Byte};
inline constexpr Field kKindLast{"kind", 3, 1, Kind::Byte};
inline constexpr Field kRowsFirstRequest[] = {kRowsFirst, kPageSecond, kMarketThird, kKindLast};
// The replies: whether a further page exists (1) or not (0), the count, the items.
inline constexpr Field kMore{"more", 0, 1, Kind::Byte};
inline constexpr Field kCount{"count", 1, 1, Kind::Byte};
inline constexpr Field kReply[] = {kMore, kCount};
inline constexpr int kRecordsAt = 2;
// An item of 4190 and 4180.
inline constexpr int kPriceSize = 37;
inline constexpr Field kCode{"code", 0, 6, Kind::Text};
inline constexpr Field kName{"name", 6, 12, Kind::Text};
inline constexpr Field kPrice{"price", 18, 4, Kind::Number};
inline constexpr Field kChange{"change", 22, 4, Kind::Number};
inline constexpr Field kSign{"sign", 26, 1, Kind::Char};
inline constexpr Field kUnused{"unused", 27, 4, Kind::Raw};
inline constexpr Field kVolume{"volume", 31, 6, Kind::Number};
inline constexpr Field kPriceRow[] = {kCode, kName, kPrice, kChange, kSign, kUnused, kVolume};
// An item of 4600: investors' bought, sold and net quantities.
inline constexpr int kInvestorSize = 32;
inline constexpr Field kInvestorName{"name", 0, 14, Kind::Text};
inline constexpr Field kBought{"bought", 14, 6, Kind::Number};
inline constexpr Field kSold{"sold", 20, 6, Kind::Number};
inline constexpr Field kNet{"net", 26, 6, Kind::Number};
inline constexpr Field kInvestorRow[] = {kInvestorName, kBought, kSold, kNet};
// An item of 4170, the ECN ranking.
inline constexpr int kEcnSize = 41;
inline constexpr Field kEcnName{"name", 0, 12, Kind::Text};
inline constexpr Field kEcnPrice{"price", 12, 4, Kind::Number};
inline constexpr Field kEcnChange{"change", 16, 4, Kind::Number};
inline constexpr Field kEcnSign{"sign", 20, 1, Kind::Char};
inline constexpr Field kEcnVolume{"volume", 21, 6, Kind::Number};
inline constexpr Field kEcnValue{"value", 27, 6, Kind::Number};
inline constexpr Field kAskWaiting{"ask_waiting", 33, 4, Kind::Number};
inline constexpr Field kBidWaiting{"bid_waiting", 37, 4, Kind::Number};
inline constexpr Field kEcnRow[] = {kEcnName,   kEcnPrice, kEcnChange,  kEcnSign,
                                    kEcnVolume, kEcnValue, kAskWaiting, kBidWaiting};
}  // namespace ranking

// ---- 4230: an item's prices, limits, size and its top brokers ------------------------------------
namespace profile {
inline constexpr Field kCode = quote::kCode;
inline constexpr int kRequestSize = 6;
inline constexpr Field kRequest[] = {kCode};
inline constexpr Field kHead{"head", 0, 19, Kind::Raw};  // not read
inline constexpr Field kOpen{"open", 19, 4, Kind::Number};
inline constexpr Field kOpenSign{"open_sign", 23, 1, Kind::Char};
inline constexpr Field kHigh{"high", 24, 4, Kind::Number};
inline constexpr Field kHighSign{"high_sign", 28, 1, Kind::Char};
inline constexpr Field kLow{"low", 29, 4, Kind::Number};
inline constexpr Field kLowSign{"low_sign", 33, 1, Kind::Char};
inline constexpr Field kFaceValue{"face_value", 34, 4, Kind::Number};
inline constexpr Field kUpperLimit{"upper_limit", 38, 4, Kind::Number};
inline constexpr Field kLowerLimit{"lower_limit", 42, 4, Kind::Number};
inline constexpr Field kMarketValue{"market_value", 46, 6, Kind::Number};  // hundred millions of won
inline constexpr Field kListedShares{"listed_shares", 52, 6, Kind::Number};
inline constexpr Field kYearHigh{"year_high", 58, 4, Kind::Number};
inline constexpr Field kYearHighSign{"year_high_sign", 62, 1, Kind::Char};
inline constexpr Field kYearLow{"year_low", 63, 4, Kind::Number};
inline constexpr Field kYearLowSign{"year_low_sign", 67, 1, Kind::Char};
inline constexpr Field kReply[] = {kHead,     kOpen,         kOpenSign,   kHigh,       kHighSign,    kLow,
                                   kLowSign,  kFaceValue,    kUpperLimit, kLowerLimit, kMarketValue, kListedShares,
                                   kYearHigh, kYearHighSign, kYearLow,    kYearLowSign};
// Five brokers: the one that sold and the one that bought the most, the next ...
inline constexpr int kBrokersAt = 68, kBrokerSize = 32, kBrokerRows = 5;
inline constexpr Field kSeller{"seller", 0, 10, Kind::Text};
inline constexpr Field kSold{"sold", 10, 6, Kind::Number};
inline constexpr Field kBuyer{"buyer", 16, 10, Kind::Text};
inline constexpr Field kBought{"bought", 26, 6, Kind::Number};
inline constexpr Field kBroker[] = {kSeller, kSold, kBuyer, kBought};
}  // namespace profile

// ---- Investors of a market: 4610 today's net buying, 4240 day by day --------------------------
namespace investors {
inline constexpr Field kMarket{"market", 0, 1, Kind::Byte};  // 1 KOSPI, 2 KOSDAQ
inline constexpr int kNetRequestSize = 1;
inline constexpr Field kNetRequest[] = {kMarket};
// 4610: net amount and net quantity of individuals, foreigners, institutions.
inline constexpr Field kAmount[3] = {{"individuals_amount", 0, 4, Kind::Number},
                                     {"foreigners_amount", 8, 4, Kind::Number},
                                     {"institutions_amount", 16, 4, Kind::Number}};
inline constexpr Field kQuantity[3] = {{"individuals_quantity", 4, 4, Kind::Number},
                                       {"foreigners_quantity", 12, 4, Kind::Number},
                                       {"institutions_quantity", 20, 4, Kind::Number}};
inline constexpr int kNetReplySize = 24;
inline constexpr Field kNetReply[] = {kAmount[0], kQuantity[0], kAmount[1], kQuantity[1], kAmount[2], kQuantity[2]};
// 4240: figure (1 amount, 2 quantity), market, rows, page, direction, key.
inline constexpr Field kFigure{"figure", 0, 1, Kind::Byte};
inline constexpr Field kTrendMarket{"market", 1, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 2, 1, Kind::Byte};
inline constexpr Field kPage{"page", 3, 1, Kind::Byte};
inline constexpr Field kDirection{"direction", 4, 1, Kind::Char};  // 'F' first, 'N' next, 'P' previous
inline constexpr Field kKey{"key", 5, 3, Kind::Raw};               // three blanks on page 1
inline constexpr int kTrendRequestSize = 8;
inline constexpr Field kTrendRequest[] = {kFigure, kTrendMarket, kRows, kPage, kDirection, kKey};
}  // namespace investors

// ---- Pages of days with a key (4240 investors by day, 4150 foreign ownership) -------------------
namespace days {
inline constexpr Field kUnused{"unused", 0, 1, Kind::Byte};
inline constexpr Field kMore{"more", 1, 1, Kind::Byte};
inline constexpr Field kCount{"count", 2, 1, Kind::Byte};
inline constexpr Field kNextKey{"next_key", 3, 3, Kind::Raw};
inline constexpr Field kReply[] = {kUnused, kMore, kCount, kNextKey};
inline constexpr int kRecordsAt = 6;
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};  // year within the century, month, day
// A day of 4240: the index, its change, and the three groups' net figures.
inline constexpr int kTrendSize = 24;
inline constexpr Field kIndex{"index", 3, 4, Kind::Number};  // hundredths
inline constexpr Field kIndexChange{"change", 7, 4, Kind::Number};
inline constexpr Field kIndexSign{"sign", 11, 1, Kind::Char};
inline constexpr Field kGroups[3] = {
    {"individuals", 12, 4, Kind::Number}, {"foreigners", 16, 4, Kind::Number}, {"institutions", 20, 4, Kind::Number}};
inline constexpr Field kTrendDay[] = {kDate, kIndex, kIndexChange, kIndexSign, kGroups[0], kGroups[1], kGroups[2]};
// A day of 4150: closing price, change, rate, foreign-limit exhaustion, change in holdings.
inline constexpr int kForeignSize = 26;
inline constexpr Field kClose{"close", 3, 4, Kind::Number};
inline constexpr Field kChange{"change", 7, 4, Kind::Number};
inline constexpr Field kSign{"sign", 11, 1, Kind::Char};
inline constexpr Field kRate{"rate", 12, 4, Kind::Number};  // hundredths of a percent
inline constexpr Field kExhaustion{"exhaustion", 16, 4, Kind::Number};
inline constexpr Field kHoldings{"holdings", 20, 6, Kind::Number};
inline constexpr Field kForeignDay[] = {kDate, kClose, kChange, kSign, kRate, kExhaustion, kHoldings};
}  // namespace days
// ---- Futures/options orders: 5300 sell, 5301 buy, 5302 modify, 5303 cancel ---------------------
// Texts travel padded: one zero byte after the text, then the body's fill byte; the item code is
// padded with blanks (Writer::Padded).
namespace futopt_order {
inline constexpr Field kCode{"code", 18, 8, Kind::Text};
inline constexpr Field kQuantity{"quantity", 26, 9, Kind::Text};  // contracts, digits
inline constexpr Field kPrice{"price", 35, 13, Kind::Text};       // points, "187.05"; "0" at the market
inline constexpr Field kType{"type", 48, 1, Kind::Char};          // '1' to '4'
inline constexpr int kRequestSize = 49;
inline constexpr Field kRequest[] = {kAccount, kPassword, kCode, kQuantity, kPrice, kType};
// Reply: the new order number.
inline constexpr Field kOrderNumber{"order_number", 10, 6, Kind::Text};
inline constexpr Field kReply[] = {kOrderNumber};
}  // namespace futopt_order

namespace futopt_change {
inline constexpr Field kTarget{"original_number", 18, 6, Kind::Text};
inline constexpr Field kCode{"code", 24, 8, Kind::Text};
inline constexpr Field kQuantity{"quantity", 32, 9, Kind::Text};
inline constexpr Field kPrice{"price", 41, 13, Kind::Text};  // modify only
inline constexpr Field kType{"type", 54, 1, Kind::Char};     // modify only
inline constexpr int kRequestSize = 55;                      // a cancel leaves 41-54 zero
inline constexpr Field kModifyRequest[] = {kAccount, kPassword, kTarget, kCode, kQuantity, kPrice, kType};
inline constexpr Field kCancelRequest[] = {kAccount, kPassword, kTarget, kCode, kQuantity};
inline constexpr Field kNewNumber{"new_number", 16, 6, Kind::Text};
inline constexpr Field kReply[] = {kNewNumber};
}  // namespace futopt_change

// ---- Futures/options order and fill inquiry 5304 ----------------------------------------------
namespace futopt_inquiry {
inline constexpr Field kFilter{"filter", 18, 1, Kind::Char};  // '0' all, '1' filled, '2' open
inline constexpr Field kDate{"date", 19, 1, Kind::Byte};      // 0 today, 1 and 2 the days before
inline constexpr Field kPage{"page", 20, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 21, 1, Kind::Byte};  // 7
inline constexpr Field kKey{"key", 22, 12, Kind::Raw};    // the key of the last reply
inline constexpr int kRequestSize = 34;
inline constexpr Field kRequest[] = {kAccount, kPassword, kFilter, kDate, kPage, kRows, kKey};
inline constexpr Field kNext{"next", 11, 1, Kind::Char};    // 'Y': another page
inline constexpr Field kCount{"count", 12, 1, Kind::Byte};  // signed
inline constexpr Field kReplyKey{"key", 13, 12, Kind::Raw};
inline constexpr Field kReply[] = {kNext, kCount, kReplyKey};
inline constexpr int kRecordsAt = 25, kRecordSize = 121;
// One order; the numbers are decimal texts.
inline constexpr Field kNumber{"number", 0, 6, Kind::Text};
inline constexpr Field kName{"name", 14, 22, Kind::Text};
inline constexpr Field kKind{"kind", 36, 12, Kind::Text};
inline constexpr Field kType{"type", 48, 12, Kind::Text};
inline constexpr Field kQuantity{"quantity", 60, 9, Kind::Text};
inline constexpr Field kPrice{"price", 69, 13, Kind::Text};
inline constexpr Field kFilled{"filled", 82, 9, Kind::Text};
inline constexpr Field kAverage{"average", 91, 13, Kind::Text};
inline constexpr Field kOpen{"open", 104, 9, Kind::Text};
inline constexpr Field kState{"state", 113, 8, Kind::Text};
inline constexpr Field kRecord[] = {kNumber, kName, kKind, kType, kQuantity, kPrice, kFilled, kAverage, kOpen, kState};
}  // namespace futopt_inquiry

// ---- Futures/options positions 5401 --------------------------------------------------------------
namespace futopt_positions {
inline constexpr Field kPage{"page", 18, 1, Kind::Byte};
inline constexpr Field kRows{"rows", 19, 1, Kind::Byte};  // 15
inline constexpr int kRequestSize = 20;
inline constexpr Field kRequest[] = {kAccount, kPassword, kPage, kRows};
inline constexpr Field kNext{"next", 11, 1, Kind::Char};
inline constexpr Field kCount{"count", 12, 1, Kind::Byte};  // signed
inline constexpr Field kReply[] = {kNext, kCount};
inline constexpr int kRecordsAt = 13, kRecordSize = 97;
inline constexpr Field kCode{"code", 0, 8, Kind::Text};
inline constexpr Field kName{"name", 8, 40, Kind::Text};
inline constexpr Field kKind{"kind", 48, 10, Kind::Text};
inline constexpr Field kBalance{"balance", 58, 13, Kind::Text};
inline constexpr Field kOrderable{"orderable", 71, 13, Kind::Text};
inline constexpr Field kIndex{"contract_index", 84, 13, Kind::Text};
inline constexpr Field kRecord[] = {kCode, kName, kKind, kBalance, kOrderable, kIndex};
}  // namespace futopt_positions

// ---- Futures/options deposit and margin 5400 ------------------------------------------------------
namespace futopt_deposit {
inline constexpr int kRequestSize = kAuthSize;
inline constexpr Field kRequest[] = {kAccount, kPassword};
inline constexpr Field kDepositCash{"deposit_cash", 30, 6, Kind::Number};
inline constexpr Field kDepositSubstitute{"deposit_substitute", 36, 6, Kind::Number};
inline constexpr Field kDepositTotal{"deposit_total", 42, 6, Kind::Number};
inline constexpr Field kMarginCash{"margin_cash", 48, 6, Kind::Number};
inline constexpr Field kMarginSubstitute{"margin_substitute", 54, 6, Kind::Number};
inline constexpr Field kMarginTotal{"margin_total", 60, 6, Kind::Number};
inline constexpr Field kOrderableCash{"orderable_cash", 66, 6, Kind::Number};
inline constexpr Field kOrderableSubstitute{"orderable_substitute", 72, 6, Kind::Number};
inline constexpr Field kOrderableTotal{"orderable_total", 78, 6, Kind::Number};
inline constexpr Field kWithdrawableCash{"withdrawable_cash", 84, 6, Kind::Number};
inline constexpr Field kWithdrawableSubstitute{"withdrawable_substitute", 90, 6, Kind::Number};
inline constexpr Field kWithdrawableTotal{"withdrawable_total", 96, 6, Kind::Number};
inline constexpr Field kMaintenanceCash{"maintenance_cash", 102, 6, Kind::Number};
inline constexpr Field kMaintenanceTotal{"maintenance_total", 108, 6, Kind::Number};
inline constexpr Field kAdditionalCash{"additional_cash", 114, 6, Kind::Number};
inline constexpr Field kAdditionalTotal{"additional_total", 120, 6, Kind::Number};
inline constexpr int kReplySize = 126;
inline constexpr Field kReply[] = {kDepositCash,      kDepositSubstitute, kDepositTotal,           kMarginCash,
                                   kMarginSubstitute, kMarginTotal,       kOrderableCash,          kOrderableSubstitute,
                                   kOrderableTotal,   kWithdrawableCash,  kWithdrawableSubstitute, kWithdrawableTotal,
                                   kMaintenanceCash,  kMaintenanceTotal,  kAdditionalCash,         kAdditionalTotal};
}  // namespace futopt_deposit
// ---- Futures/options chart: 5500 minute bars, 5510 futures daily, 5550 options daily --------------
namespace futopt_chart {
inline constexpr Field kCode{"code", 0, 8, Kind::Text};
inline constexpr Field kMark{"mark", 8, 1, Kind::Byte};  // 5500: 0xFF
inline constexpr Field kReserved{"reserved", 9, 2, Kind::Raw};
inline constexpr Field kMinutes{"minutes", 11, 1, Kind::Byte};  // 5500: minutes per bar
inline constexpr int kMinuteRequestSize = 12, kDailyRequestSize = 8;
inline constexpr Field kMinuteRequest[] = {kCode, kMark, kReserved, kMinutes};
inline constexpr Field kDailyRequest[] = {kCode};
// The reply: an 8-byte head the screen does not read, a signed bar count, the bars oldest first.
inline constexpr Field kHead{"head", 0, 8, Kind::Raw};
inline constexpr Field kCount{"count", 8, 1, Kind::Byte};
inline constexpr Field kReply[] = {kHead, kCount};
inline constexpr int kBarsAt = 9, kBarSize = 37;
// A bar: year - 2000, month, day (minute bars: hour, minute, unused); prices as two signed 16-bit
// groups a, b worth a x 100 + b hundredths (averages: -100 no value); volume in contracts.
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};
inline constexpr Field kOpen{"open", 3, 4, Kind::Raw};
inline constexpr Field kHigh{"high", 7, 4, Kind::Raw};
inline constexpr Field kLow{"low", 11, 4, Kind::Raw};
inline constexpr Field kClose{"close", 15, 4, Kind::Raw};
inline constexpr Field kAverage5{"average5", 19, 4, Kind::Raw};
inline constexpr Field kAverage20{"average20", 23, 4, Kind::Raw};
inline constexpr Field kAverage60{"average60", 27, 4, Kind::Raw};
inline constexpr Field kVolume{"volume", 31, 6, Kind::Number};
inline constexpr Field kBar[] = {kDate, kOpen, kHigh, kLow, kClose, kAverage5, kAverage20, kAverage60, kVolume};
}  // namespace futopt_chart
// ---- Futures/options time and sales (5103 futures, 5152 options) and daily history (5104, 5153) --
// The requests: the 8-byte code, rows a page, the page, 'F' first / 'N' next / 'P' previous (the
// daily history), the key of the page asked for (blanks on page 1).
namespace futopt_ticks {
inline constexpr Field kCode{"code", 0, 8, Kind::Text};
inline constexpr Field kRows{"rows", 8, 1, Kind::Byte};
inline constexpr Field kPage{"page", 9, 1, Kind::Byte};
inline constexpr Field kDirection{"direction", 10, 1, Kind::Char};
inline constexpr Field kKey{"key", 11, 4, Kind::Raw};
inline constexpr int kRequestSize = 15;
inline constexpr Field kRequest[] = {kCode, kRows, kPage, kDirection, kKey};
// The reply: the page, whether a further page exists (1) or not (0), the key of the next page,
// the count, 24-byte trades newest first.
inline constexpr Field kReplyPage{"page", 0, 1, Kind::Byte};
inline constexpr Field kMore{"more", 1, 1, Kind::Byte};
inline constexpr Field kNextKey{"next_key", 2, 4, Kind::Raw};
inline constexpr Field kCount{"count", 6, 1, Kind::Byte};
inline constexpr Field kReply[] = {kReplyPage, kMore, kNextKey, kCount};
inline constexpr int kRowsAt = 7, kRowSize = 24;
inline constexpr Field kTime{"time", 0, 3, Kind::Raw};  // hours, minutes, seconds
inline constexpr Field kPrice{"price", 3, 4, Kind::Number};
inline constexpr Field kChange{"change", 7, 4, Kind::Number};
inline constexpr Field kSign{"sign", 11, 1, Kind::Char};
inline constexpr Field kVolume{"volume", 12, 6, Kind::Number};
inline constexpr Field kAccumulated{"accumulated", 18, 6, Kind::Number};
inline constexpr Field kRow[] = {kTime, kPrice, kChange, kSign, kVolume, kAccumulated};
}  // namespace futopt_ticks
namespace futopt_days {
inline constexpr Field kCode = futopt_ticks::kCode;
inline constexpr Field kRows = futopt_ticks::kRows;
inline constexpr Field kPage = futopt_ticks::kPage;
inline constexpr Field kDirection = futopt_ticks::kDirection;
inline constexpr Field kKey{"key", 11, 3, Kind::Raw};
inline constexpr int kRequestSize = 14;
inline constexpr Field kRequest[] = {kCode, kRows, kPage, kDirection, kKey};
inline constexpr Field kReplyPage = futopt_ticks::kReplyPage;
inline constexpr Field kMore = futopt_ticks::kMore;
inline constexpr Field kNextKey{"next_key", 2, 3, Kind::Raw};
inline constexpr Field kCount{"count", 5, 1, Kind::Byte};
inline constexpr Field kReply[] = {kReplyPage, kMore, kNextKey, kCount};
inline constexpr int kRowsAt = 6, kRowSize = 38;
// A day: year of two digits, month, day; prices in hundredths; the rate as whole and hundredths.
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};
inline constexpr Field kClose{"close", 3, 4, Kind::Number};
inline constexpr Field kChange{"change", 7, 4, Kind::Number};
inline constexpr Field kSign{"sign", 11, 1, Kind::Char};
inline constexpr Field kRateWhole{"rate_whole", 12, 2, Kind::Short};
inline constexpr Field kRateHundredths{"rate_hundredths", 14, 2, Kind::Short};
inline constexpr Field kOpen{"open", 16, 4, Kind::Number};
inline constexpr Field kHigh{"high", 20, 4, Kind::Number};
inline constexpr Field kLow{"low", 24, 4, Kind::Number};
inline constexpr Field kVolume{"volume", 28, 6, Kind::Number};
inline constexpr Field kOpenInterest{"open_interest", 34, 4, Kind::Number};
inline constexpr Field kRow[] = {kDate, kClose, kChange, kSign,   kRateWhole,   kRateHundredths,
                                 kOpen, kHigh,  kLow,    kVolume, kOpenInterest};
}  // namespace futopt_days
// ---- Futures/options quotes: 5102 / 5151 order books, 5100 / 5154 / 5105 lists, 5155 by strike --
namespace futopt {
inline constexpr Field kCode{"code", 0, 8, Kind::Text};  // futures or option code, NUL-padded
inline constexpr int kBookRequestSize = 8;
inline constexpr Field kBookRequest[] = {kCode};
// 5555, the base quote of the strip (its reply is BASE_DATA_5555): the code, then the market.
inline constexpr Field kMarket{"market", 8, 1, Kind::Byte};  // 1 futures, 2 options, as a number
inline constexpr int kBaseRequestSize = 9;
inline constexpr Field kBaseRequest[] = {kCode, kMarket};
// The five-level book of 5102 / 5151, level 1 first in each part.
inline constexpr Field kAskCounts{"ask_counts", 0, 20, Kind::Raw};
inline constexpr Field kAskCountTotal{"ask_count_total", 20, 4, Kind::Number};
inline constexpr Field kAskQuantities{"ask_quantities", 24, 20, Kind::Raw};
inline constexpr Field kAskTotal{"ask_total", 44, 4, Kind::Number};
inline constexpr Field kAskPrices{"ask_prices", 48, 20, Kind::Raw};
inline constexpr Field kAskSigns{"ask_signs", 68, 5, Kind::Raw};
inline constexpr Field kBidCounts{"bid_counts", 73, 20, Kind::Raw};
inline constexpr Field kBidCountTotal{"bid_count_total", 93, 4, Kind::Number};
inline constexpr Field kBidQuantities{"bid_quantities", 97, 20, Kind::Raw};
inline constexpr Field kBidTotal{"bid_total", 117, 4, Kind::Number};
inline constexpr Field kBidSigns{"bid_signs", 121, 5, Kind::Raw};
inline constexpr Field kBidPrices{"bid_prices", 126, 20, Kind::Raw};
inline constexpr int kBookSize = 146;
inline constexpr Field kBookReply[] = {kAskCounts, kAskCountTotal, kAskQuantities, kAskTotal, kAskPrices, kAskSigns,
                                       kBidCounts, kBidCountTotal, kBidQuantities, kBidTotal, kBidSigns,  kBidPrices};
// 5100 / 5154: expiry month ("200703"), two zero bytes, call/put (the number 2 or 3).
inline constexpr Field kMonth{"month", 0, 6, Kind::Text};
inline constexpr Field kReserved{"reserved", 6, 2, Kind::Raw};
inline constexpr Field kCallPut{"call_put", 8, 1, Kind::Byte};
inline constexpr int kListRequestSize = 9;
inline constexpr Field kMonthRequest[] = {kMonth, kReserved, kCallPut};
// 5155: the strike as chosen ("185.00", NUL-padded), call/put.
inline constexpr Field kStrike{"strike", 0, 8, Kind::Text};
inline constexpr Field kStrikeRequest[] = {kStrike, kCallPut};
// 5100 / 5154 replies: count, call/put, 31-byte rows; 5105: count, rows; 5155: count, 43-byte rows.
inline constexpr Field kCount{"count", 0, 1, Kind::Byte};
inline constexpr Field kReplyCallPut{"call_put", 1, 1, Kind::Byte};
inline constexpr Field kMonthReply[] = {kCount, kReplyCallPut};
inline constexpr Field kCountOnly[] = {kCount};
inline constexpr int kMonthRowsAt = 2, kListRowsAt = 1, kRowSize = 31, kStrikeRowSize = 43;
inline constexpr Field kRowCode{"code", 0, 8, Kind::Text};
inline constexpr Field kRowPrice{"price", 8, 4, Kind::Number};
inline constexpr Field kRowChange{"change", 12, 4, Kind::Number};
inline constexpr Field kRowSign{"sign", 16, 1, Kind::Char};
// 5100 / 5105 rows.
inline constexpr Field kBoardAsk{"ask", 17, 4, Kind::Number};
inline constexpr Field kBoardBid{"bid", 21, 4, Kind::Number};
inline constexpr Field kBoardVolume{"volume", 25, 6, Kind::Number};
inline constexpr Field kBoardRow[] = {kRowCode, kRowPrice, kRowChange, kRowSign, kBoardAsk, kBoardBid, kBoardVolume};
// 5154 rows.
inline constexpr Field kListVolume{"volume", 17, 6, Kind::Number};
inline constexpr Field kListAsk{"ask", 23, 4, Kind::Number};
inline constexpr Field kListBid{"bid", 27, 4, Kind::Number};
inline constexpr Field kListRow[] = {kRowCode, kRowPrice, kRowChange, kRowSign, kListVolume, kListAsk, kListBid};
// 5155 records.
inline constexpr Field kAskQuantity{"ask_quantity", 27, 4, Kind::Number};
inline constexpr Field kStrikeBid{"bid", 31, 4, Kind::Number};
inline constexpr Field kBidQuantity{"bid_quantity", 35, 4, Kind::Number};
inline constexpr Field kOpenInterest{"open_interest", 39, 4, Kind::Number};
inline constexpr Field kStrikeRow[] = {kRowCode, kRowPrice,    kRowChange, kRowSign,     kListVolume,
                                       kListAsk, kAskQuantity, kStrikeBid, kBidQuantity, kOpenInterest};
// Pushes 9310 / 9410 (a count byte, 62-byte trades) and 9321 / 9421 (one book of 169 bytes).
inline constexpr Field kTradeCode{"code", 0, 8, Kind::Text};
inline constexpr Field kTradePrice{"price", 8, 4, Kind::Number};
inline constexpr Field kTradeVolume{"volume", 12, 6, Kind::Number};
inline constexpr Field kTradeChange{"change", 30, 4, Kind::Number};
inline constexpr Field kTradeSign{"sign", 38, 1, Kind::Char};
inline constexpr int kTradeSize = 62;
inline constexpr Field kTrade[] = {kTradeCode, kTradePrice, kTradeVolume, kTradeChange, kTradeSign};
inline constexpr Field kPushCode{"code", 1, 8, Kind::Text};
inline constexpr Field kPushAskPrices{"ask_prices", 9, 20, Kind::Raw};
inline constexpr Field kPushBidPrices{"bid_prices", 29, 20, Kind::Raw};
inline constexpr Field kPushAskQuantities{"ask_quantities", 49, 30, Kind::Raw};
inline constexpr Field kPushBidQuantities{"bid_quantities", 79, 30, Kind::Raw};
inline constexpr Field kPushAskTotal{"ask_total", 109, 6, Kind::Number};
inline constexpr Field kPushBidTotal{"bid_total", 115, 6, Kind::Number};
inline constexpr Field kPushAskCounts{"ask_counts", 121, 20, Kind::Raw};
inline constexpr Field kPushBidCounts{"bid_counts", 141, 20, Kind::Raw};
inline constexpr Field kPushAskCountTotal{"ask_count_total", 161, 4, Kind::Number};
inline constexpr Field kPushBidCountTotal{"bid_count_total", 165, 4, Kind::Number};
inline constexpr int kBookPushSize = 169;
inline constexpr Field kBookPush[] = {kPushCode,          kPushAskPrices,     kPushBidPrices,    kPushAskQuantities,
                                      kPushBidQuantities, kPushAskTotal,      kPushBidTotal,     kPushAskCounts,
                                      kPushBidCounts,     kPushAskCountTotal, kPushBidCountTotal};
}  // namespace futopt
// ---- Futures detail 5101 and option detail 5150 (request: the 8-byte code, as the order books) ----
namespace futopt_detail {
// Prices are NET_FLOAT2 (hundredths), signs UPDOWN_FLAG; the same head in both replies.
inline constexpr Field kBase{"base_price", 0, 4, Kind::Number};
inline constexpr Field kValue{"trading_value", 4, 6, Kind::Number};  // millions of won
inline constexpr Field kOpenInterest{"open_interest", 10, 4, Kind::Number};
inline constexpr Field kInterestSign{"open_interest_sign", 14, 1, Kind::Char};
inline constexpr Field kInterestChange{"open_interest_change", 15, 4, Kind::Number};
// 5101.
inline constexpr Field kIndex{"kospi200", 19, 4, Kind::Number};
inline constexpr Field kIndexChange{"kospi200_change", 23, 4, Kind::Number};
inline constexpr Field kIndexSign{"kospi200_sign", 27, 1, Kind::Char};
inline constexpr Field kBreakerUpper{"cb_upper", 28, 4, Kind::Number};
inline constexpr Field kBreakerLower{"cb_lower", 32, 4, Kind::Number};
inline constexpr Field kUpper{"upper_limit", 36, 4, Kind::Number};
inline constexpr Field kLower{"lower_limit", 40, 4, Kind::Number};
inline constexpr Field kHighest{"highest", 44, 4, Kind::Number};
inline constexpr Field kLowest{"lowest", 48, 4, Kind::Number};
inline constexpr Field kOpen{"open", 52, 4, Kind::Number};  // each of open, high, low: one byte after it
inline constexpr Field kHigh{"high", 57, 4, Kind::Number};
inline constexpr Field kLow{"low", 62, 4, Kind::Number};
inline constexpr Field kLastDay{"last_trading_day", 67, 3, Kind::Raw};  // year in the century, month, day
inline constexpr Field kDaysLeft{"days_remaining", 70, 4, Kind::Number};
inline constexpr Field kMarketBasis{"market_basis", 74, 4, Kind::Number};
inline constexpr Field kTheoryBasis{"theoretical_basis", 78, 4, Kind::Number};
inline constexpr Field kTheory{"theoretical_price", 82, 4, Kind::Number};
inline constexpr Field kTheorySign{"theoretical_sign", 86, 1, Kind::Char};
inline constexpr Field kDisparity{"disparity_rate", 87, 4, Kind::Number};
inline constexpr int kFuturesSize = 91;
inline constexpr Field kFuturesReply[] = {
    kBase,         kValue,        kOpenInterest, kInterestSign, kInterestChange, kIndex,  kIndexChange, kIndexSign,
    kBreakerUpper, kBreakerLower, kUpper,        kLower,        kHighest,        kLowest, kOpen,        kHigh,
    kLow,          kLastDay,      kDaysLeft,     kMarketBasis,  kTheoryBasis,    kTheory, kTheorySign,  kDisparity};
// 5150: bytes 19-27 are not shown; the sensitivities are millionths (two groups, g0 x 10,000 + g1).
inline constexpr Field kOptionUpper{"upper_limit", 28, 4, Kind::Number};
inline constexpr Field kOptionLower{"lower_limit", 32, 4, Kind::Number};
inline constexpr Field kOptionOpen{"open", 36, 4, Kind::Number};
inline constexpr Field kOptionHigh{"high", 41, 4, Kind::Number};
inline constexpr Field kOptionLow{"low", 46, 4, Kind::Number};
inline constexpr Field kOptionTheory{"theoretical_price", 51, 4, Kind::Number};
inline constexpr Field kOptionTheorySign{"theoretical_sign", 55, 1, Kind::Char};
inline constexpr Field kDelta{"delta", 56, 4, Kind::Number};
inline constexpr Field kGamma{"gamma", 60, 4, Kind::Number};
inline constexpr Field kVega{"vega", 64, 4, Kind::Number};
inline constexpr Field kTheta{"theta", 68, 4, Kind::Number};
inline constexpr Field kRho{"rho", 72, 4, Kind::Number};
inline constexpr Field kHistorical{"historical_volatility", 76, 4, Kind::Number};  // percent, hundredths
inline constexpr Field kImplied{"implied_volatility", 80, 4, Kind::Number};
inline constexpr int kOptionSize = 84;
inline constexpr Field kOptionReply[] = {
    kBase,       kValue,      kOpenInterest, kInterestSign, kInterestChange,   kOptionUpper, kOptionLower,
    kOptionOpen, kOptionHigh, kOptionLow,    kOptionTheory, kOptionTheorySign, kDelta,       kGamma,
    kVega,       kTheta,      kRho,          kHistorical,   kImplied};
}  // namespace futopt_detail
// ---- Interest groups: 2110 the items of a group with their prices, 2111 a group's codes -------
namespace interest {
inline constexpr Field kOne{"one", 0, 1, Kind::Byte};      // always 1
inline constexpr Field kGroup{"group", 1, 1, Kind::Byte};  // 1 to 10
inline constexpr Field kCode{"code", 2, 6, Kind::Text};    // always "005930"
inline constexpr int kListRequestSize = 8;
inline constexpr Field kListRequest[] = {kOne, kGroup, kCode};
inline constexpr Field kListCount{"count", 2, 1, Kind::Byte};  // bytes 0-1 not used
inline constexpr Field kListReply[] = {kListCount};
inline constexpr int kItemsAt = 3, kItemSize = 55;
inline constexpr Field kItemCode{"code", 0, 6, Kind::Text};
inline constexpr Field kItemName{"name", 6, 10, Kind::Text};
inline constexpr Field kItemSign{"sign", 16, 1, Kind::Char};
inline constexpr Field kItemPrice{"price", 17, 4, Kind::Number};
inline constexpr Field kItemChange{"change", 21, 4, Kind::Number};
inline constexpr Field kItemRate{"rate", 33, 4, Kind::Number};  // hundredths of a percent
inline constexpr Field kItemVolume{"volume", 37, 6, Kind::Number};
inline constexpr Field kItem[] = {kItemCode, kItemName, kItemSign, kItemPrice, kItemChange, kItemRate, kItemVolume};
// 2111: list the group (1), register (2) or delete (3) an item; the reply is the group's codes.
inline constexpr Field kEditGroup{"group", 0, 1, Kind::Byte};
inline constexpr Field kOperation{"operation", 1, 1, Kind::Byte};
inline constexpr Field kEditCode{"code", 2, 6, Kind::Raw};  // '0' and the 5-digit code; zero to list
inline constexpr int kEditRequestSize = 8;
inline constexpr Field kEditRequest[] = {kEditGroup, kOperation, kEditCode};
inline constexpr Field kCodesCount{"count", 0, 1, Kind::Byte};  // signed
inline constexpr Field kCodesReply[] = {kCodesCount};
inline constexpr int kCodesAt = 1, kCodeRowSize = 22;
inline constexpr Field kRowCode{"code", 0, 6, Kind::Text};
inline constexpr Field kRowName{"name", 6, 16, Kind::Text};
inline constexpr Field kCodeRow[] = {kRowCode, kRowName};
}  // namespace interest
// ---- 4160 ECN summary and 4165 ECN trades of one item ----------------------------------------
namespace ecn {
inline constexpr Field kCode = quote::kCode;
inline constexpr int kPriceRequestSize = 6;
inline constexpr Field kPriceRequest[] = {kCode};
// 4165: rows wanted, then the code.
inline constexpr Field kTicksRows{"rows", 0, 1, Kind::Byte};
inline constexpr Field kTicksCode{"code", 1, 6, Kind::Text};
inline constexpr int kTicksRequestSize = 7;
inline constexpr Field kTicksRequest[] = {kTicksRows, kTicksCode};
// ECN_PRICE_4160.
inline constexpr Field kRateWhole{"rate_whole", 6, 2, Kind::Short};
inline constexpr Field kRateHundredths{"rate_hundredths", 8, 2, Kind::Short};
inline constexpr Field kPrevClose{"prev_close", 14, 4, Kind::Number};
inline constexpr Field kListed{"listed_shares", 22, 6, Kind::Number};
inline constexpr Field kEcnVolume{"ecn_volume", 28, 6, Kind::Number};
inline constexpr Field kAskTotal{"ask_total", 34, 4, Kind::Number};
inline constexpr Field kBidTotal{"bid_total", 38, 4, Kind::Number};
inline constexpr Field kSign{"sign", 42, 1, Kind::Char};
inline constexpr Field kChange{"change", 43, 4, Kind::Number};
inline constexpr int kPriceReplySize = 47;
inline constexpr Field kPriceReply[] = {kRateWhole, kRateHundredths, kPrevClose, kListed, kEcnVolume,
                                        kAskTotal,  kBidTotal,       kSign,      kChange};
// ECN_TICKS_4165: six bytes not read, the count, 21-byte trades.
inline constexpr Field kTickCount{"count", 6, 1, Kind::Byte};
inline constexpr Field kTicksReply[] = {kTickCount};
inline constexpr int kTicksAt = 7, kTickSize = 21;
inline constexpr Field kTickTime{"time", 0, 3, Kind::Raw};
inline constexpr Field kTickVolume{"volume", 3, 4, Kind::Number};
inline constexpr Field kTickAsks{"ask_volume", 7, 4, Kind::Number};
inline constexpr Field kTickBids{"bid_volume", 11, 4, Kind::Number};
inline constexpr Field kTickEcnVolume{"ecn_volume", 15, 6, Kind::Number};
inline constexpr Field kTick[] = {kTickTime, kTickVolume, kTickAsks, kTickBids, kTickEcnVolume};
}  // namespace ecn

// ---- 2250 expected execution of one item -------------------------------------------------------
namespace expected {
inline constexpr Field kCode = quote::kCode;
inline constexpr int kRequestSize = 6;
inline constexpr Field kRequest[] = {kCode};
// EXPECTED_EXEC_2250.
inline constexpr Field kPrice{"expected_price", 0, 4, Kind::Number};
inline constexpr Field kSign{"expected_sign", 4, 1, Kind::Char};
inline constexpr Field kChange{"expected_change", 5, 4, Kind::Number};
inline constexpr Field kVolume{"expected_volume", 9, 6, Kind::Number};
inline constexpr Field kRate{"expected_rate", 15, 4, Kind::Number};  // NET_FLOAT2
inline constexpr Field kAsk{"ask", 19, 4, Kind::Number};
inline constexpr Field kBid{"bid", 23, 4, Kind::Number};
inline constexpr Field kAskVolume{"ask_volume", 27, 6, Kind::Number};
inline constexpr Field kBidVolume{"bid_volume", 33, 6, Kind::Number};
inline constexpr Field kCurrent{"price", 39, 4, Kind::Number};
inline constexpr Field kCurrentSign{"sign", 43, 1, Kind::Char};
inline constexpr Field kCurrentChange{"change", 44, 4, Kind::Number};
inline constexpr Field kDayVolume{"volume", 48, 6, Kind::Number};
inline constexpr Field kFace{"face_value", 54, 4, Kind::Number};
inline constexpr Field kPrevClose{"prev_close", 58, 4, Kind::Number};
inline constexpr Field kUpper{"upper_limit", 62, 4, Kind::Number};
inline constexpr Field kLower{"lower_limit", 66, 4, Kind::Number};
inline constexpr Field kOpen{"open", 70, 4, Kind::Number};
inline constexpr Field kHigh{"high", 74, 4, Kind::Number};
inline constexpr Field kLow{"low", 78, 4, Kind::Number};
inline constexpr int kReplySize = 82;
inline constexpr Field kReply[] = {kPrice,     kSign,      kChange,  kVolume,      kRate,          kAsk,       kBid,
                                   kAskVolume, kBidVolume, kCurrent, kCurrentSign, kCurrentChange, kDayVolume, kFace,
                                   kPrevClose, kUpper,     kLower,   kOpen,        kHigh,          kLow};
}  // namespace expected

// ---- 4210 market summary (a header-only request) -------------------------------------------------
namespace summary {
// A composite block (KOSPI at 0, KOSDAQ at 31): value and change in hundredths (NET_FLOAT2), sign,
// counts of items up, at the upper limit, down, at the lower limit and unchanged (16-bit), the
// trading value in won and the volume.
inline constexpr Field kValue{"value", 0, 4, Kind::Number};
inline constexpr Field kChange{"change", 4, 4, Kind::Number};
inline constexpr Field kSign{"sign", 8, 1, Kind::Char};
inline constexpr Field kUp{"up", 9, 2, Kind::Short};
inline constexpr Field kUpper{"upper_limit", 11, 2, Kind::Short};
inline constexpr Field kDown{"down", 13, 2, Kind::Short};
inline constexpr Field kLower{"lower_limit", 15, 2, Kind::Short};
inline constexpr Field kSame{"unchanged", 17, 2, Kind::Short};
inline constexpr Field kAmount{"trading_value", 19, 6, Kind::Number};
inline constexpr Field kVolume{"volume", 25, 6, Kind::Number};
inline constexpr int kKospiAt = 0, kKosdaqAt = 31, kBlockSize = 31;
// A single-line index (KOSPI200 at 62, KOSDAQ50 at 77): value, sign, change, volume.
inline constexpr Field kLineValue{"value", 0, 4, Kind::Number};
inline constexpr Field kLineSign{"sign", 4, 1, Kind::Char};
inline constexpr Field kLineChange{"change", 5, 4, Kind::Number};
inline constexpr Field kLineVolume{"volume", 9, 6, Kind::Number};
inline constexpr int kKospi200At = 62, kKosdaq50At = 77, kLineSize = 15;
inline constexpr int kReplySize = 92;
inline constexpr Field kReply[] = {
    kValue,
    kChange,
    kSign,
    kUp,
    kUpper,
    kDown,
    kLower,
    kSame,
    kAmount,
    kVolume,
    {"kosdaq_value", 31, 4, Kind::Number},
    {"kosdaq_change", 35, 4, Kind::Number},
    {"kosdaq_sign", 39, 1, Kind::Char},
    {"kosdaq_counts", 40, 10, Kind::Raw},
    {"kosdaq_trading_value", 50, 6, Kind::Number},
    {"kosdaq_volume", 56, 6, Kind::Number},
    {"kospi200_value", 62, 4, Kind::Number},
    {"kospi200_sign", 66, 1, Kind::Char},
    {"kospi200_change", 67, 4, Kind::Number},
    {"kospi200_volume", 71, 6, Kind::Number},
    {"kosdaq50_value", 77, 4, Kind::Number},
    {"kosdaq50_sign", 81, 1, Kind::Char},
    {"kosdaq50_change", 82, 4, Kind::Number},
    {"kosdaq50_volume", 86, 6, Kind::Number},
};
}  // namespace summary

// ---- 4200 sector indices (paged) and 4176 foreign indices --------------------------------------
namespace sector {
inline constexpr Field kRows{"rows", 0, 1, Kind::Byte};
inline constexpr Field kPage{"page", 1, 1, Kind::Byte};
inline constexpr Field kMarket{"market", 2, 1, Kind::Char};  // '1' KOSPI, '2' KOSDAQ
inline constexpr int kRequestSize = 3;
inline constexpr Field kRequest[] = {kRows, kPage, kMarket};
// SECTOR_LIST_4200: continuation (1: a further page), count, 47-byte sectors.
inline constexpr Field kMore{"more", 0, 1, Kind::Byte};
inline constexpr Field kCount{"count", 1, 1, Kind::Byte};
inline constexpr Field kReply[] = {kMore, kCount};
inline constexpr int kRecordsAt = 2, kRecordSize = 47;
inline constexpr Field kName{"name", 0, 12, Kind::Text};
inline constexpr Field kValue{"value", 12, 4, Kind::Number};  // NET_FLOAT2
inline constexpr Field kChange{"change", 16, 4, Kind::Number};
inline constexpr Field kSign{"sign", 20, 1, Kind::Char};
inline constexpr Field kRateWhole{"rate_whole", 21, 2, Kind::Short};
inline constexpr Field kRateHundredths{"rate_hundredths", 23, 2, Kind::Short};
inline constexpr Field kVolume{"volume", 25, 6, Kind::Number};
inline constexpr Field kAmount{"trading_value", 31, 6, Kind::Number};
inline constexpr Field kUp{"up", 37, 2, Kind::Short};
inline constexpr Field kUpper{"upper_limit", 39, 2, Kind::Short};
inline constexpr Field kDown{"down", 41, 2, Kind::Short};
inline constexpr Field kLower{"lower_limit", 43, 2, Kind::Short};
inline constexpr Field kSame{"unchanged", 45, 2, Kind::Short};
inline constexpr Field kRecord[] = {kName, kValue, kChange, kSign,  kRateWhole, kRateHundredths, kVolume, kAmount,
                                    kUp,   kUpper, kDown,   kLower, kSame};
}  // namespace sector
namespace foreign {
inline constexpr Field kRegion{"region", 0, 1, Kind::Char};  // '1' US, '2' Asia, '3' Europe
inline constexpr int kRequestSize = 1;
inline constexpr Field kRequest[] = {kRegion};
// FOREIGN_INDEX_4176: count, 29-byte indices.
inline constexpr Field kCount{"count", 0, 1, Kind::Byte};
inline constexpr Field kReply[] = {kCount};
inline constexpr int kRecordsAt = 1, kRecordSize = 29;
inline constexpr Field kName{"name", 0, 14, Kind::Text};
inline constexpr Field kValue{"value", 14, 4, Kind::Number};  // NET_FLOAT2
inline constexpr Field kChange{"change", 18, 4, Kind::Number};
inline constexpr Field kSign{"sign", 22, 1, Kind::Char};
inline constexpr Field kVolume{"volume", 23, 6, Kind::Number};
inline constexpr Field kRecord[] = {kName, kValue, kChange, kSign, kVolume};
}  // namespace foreign

// ---- News: 4620 headlines, 4625 headlines of one item's name, 4630 article; announcements: ----
// ---- 4640 list, 4650 text; 4175 the composite indices ---------------------------------------------
namespace news {
inline constexpr Field kMode{"mode", 0, 1, Kind::Char};       // 'A'
inline constexpr Field kPage{"page", 1, 1, Kind::Byte};       // 0 the first
inline constexpr Field kRows{"rows", 2, 1, Kind::Byte};       // 8
inline constexpr Field kListKey{"key", 4, 22, Kind::Raw};     // zero on the first page
inline constexpr Field kListTail{"tail", 26, 2, Kind::Text};  // "00"
inline constexpr int kListRequestSize = 28;
inline constexpr Field kListRequest[] = {kMode, kPage, kRows, kListKey, kListTail};
inline constexpr Field kSearchKey{"key", 4, 20, Kind::Raw};
inline constexpr Field kSearchKind{"kind", 26, 1, Kind::Char};   // '1'
inline constexpr Field kSearchText{"text", 27, 30, Kind::Text};  // the item's name
inline constexpr int kSearchRequestSize = 59;
inline constexpr Field kSearchRequest[] = {kMode, kPage, kRows, kSearchKey, kSearchKind, kSearchText};
inline constexpr Field kArticleRequestKey{"key", 0, 19, Kind::Raw};
inline constexpr int kArticleRequestSize = 19;
inline constexpr Field kArticleRequest[] = {kArticleRequestKey};
// NEWS_LIST_4620 and the search's head.
inline constexpr Field kListMore{"more", 0, 1, Kind::Char};  // 'Y' or 'N'
inline constexpr Field kListNextKey{"next_key", 1, 22, Kind::Raw};
inline constexpr Field kListCount{"count", 23, 1, Kind::Byte};
inline constexpr Field kListReply[] = {kListMore, kListNextKey, kListCount};
inline constexpr int kListRowsAt = 24;
inline constexpr Field kSearchPage{"page", 0, 1, Kind::Byte};
inline constexpr Field kSearchMore{"more", 1, 1, Kind::Char};
inline constexpr Field kSearchNextKey{"next_key", 2, 20, Kind::Raw};
inline constexpr Field kSearchCount{"count", 22, 1, Kind::Byte};
inline constexpr Field kSearchReply[] = {kSearchPage, kSearchMore, kSearchNextKey, kSearchCount};
inline constexpr int kSearchRowsAt = 23;
// One headline; its first 19 bytes (date and time included) are the article's key.
inline constexpr Field kArticleKey{"key", 0, 19, Kind::Raw};
inline constexpr Field kDate{"date", 0, 3, Kind::Raw};
inline constexpr Field kTime{"time", 3, 3, Kind::Raw};
inline constexpr Field kArticleId{"id", 6, 13, Kind::Raw};
inline constexpr Field kSource{"source", 19, 50, Kind::Text};
inline constexpr Field kHeadline{"headline", 69, 132, Kind::Text};
inline constexpr Field kRow[] = {kDate, kTime, kArticleId, kSource, kHeadline};
inline constexpr int kRowSize = 201;
// NEWS_TEXT_4630: a line count, then lines of 132 bytes.
inline constexpr Field kLines{"lines", 0, 1, Kind::Byte};
inline constexpr Field kTextReply[] = {kLines};
inline constexpr int kLineSize = 132;
inline constexpr Field kLineText{"line", 0, 132, Kind::Text};
inline constexpr Field kLine[] = {kLineText};
}  // namespace news

namespace notice {
inline constexpr Field kKind{"kind", 0, 1, Kind::Char};  // '3'
inline constexpr Field kRows{"rows", 1, 1, Kind::Byte};  // 10
inline constexpr Field kKey{"key", 2, 14, Kind::Text};   // "99999999999999" on the first page
inline constexpr int kListRequestSize = 16;
inline constexpr Field kListRequest[] = {kKind, kRows, kKey};
inline constexpr Field kTextRequestKey{"key", 0, 10, Kind::Raw};
inline constexpr int kTextRequestSize = 10;
inline constexpr Field kTextRequest[] = {kTextRequestKey};
// NOTICE_LIST_4640.
inline constexpr Field kCount{"count", 0, 1, Kind::Byte};
inline constexpr Field kNextKey{"next_key", 2, 14, Kind::Raw};  // blanks: no further page
inline constexpr Field kListReply[] = {kCount, kNextKey};
inline constexpr int kRowsAt = 16, kRowSize = 271;
inline constexpr Field kRowKey{"key", 0, 10, Kind::Raw};
inline constexpr Field kTitle{"title", 10, 255, Kind::Text};
inline constexpr Field kDate{"date", 265, 3, Kind::Raw};
inline constexpr Field kTime{"time", 268, 3, Kind::Raw};
inline constexpr Field kRow[] = {kRowKey, kTitle, kDate, kTime};
// NOTICE_TEXT_4650: a line count, then lines of 255 bytes.
inline constexpr Field kTextReply[] = {news::kLines};
inline constexpr int kLineSize = 255;
inline constexpr Field kLineText{"line", 0, 255, Kind::Text};
inline constexpr Field kLine[] = {kLineText};
// INDEX_LIST_4175 (no request body).
inline constexpr Field kIndexCount{"count", 0, 1, Kind::Byte};
inline constexpr Field kIndexReply[] = {kIndexCount};
inline constexpr int kIndicesAt = 1, kIndexSize = 25;
inline constexpr Field kIndexName{"name", 0, 10, Kind::Text};
inline constexpr Field kIndexValue{"value", 10, 4, Kind::Number};
inline constexpr Field kIndexChange{"change", 14, 4, Kind::Number};
inline constexpr Field kIndexSign{"sign", 18, 1, Kind::Char};
inline constexpr Field kIndexVolume{"volume", 19, 6, Kind::Number};
inline constexpr Field kIndex[] = {kIndexName, kIndexValue, kIndexChange, kIndexSign, kIndexVolume};
}  // namespace notice

// Every layout, for the fuzz dictionaries and the layout tests.
template <size_t N>
constexpr Layout Body(uint16_t code, const char* name, int size, const Field (&fields)[N]) {
  return Layout{code, name, static_cast<uint16_t>(size), fields, N};
}
template <size_t N, size_t M>
constexpr Layout List(uint16_t code, const char* name, int recordsAt, const Field (&fields)[N],
                      const Field (&record)[M], int recordSize) {
  return Layout{code, name, static_cast<uint16_t>(recordsAt), fields, N, record, M, static_cast<uint16_t>(recordSize)};
}
inline constexpr Layout kLayouts[] = {
    Body(2310, "stock buy", order::kRequestSize, order::kRequest),
    Body(2300, "stock cash sell", order::kRequestSize, order::kRequest),
    Body(4360, "ECN buy", order::kRequestSize, order::kRequest),
    Body(4350, "ECN sell", order::kRequestSize, order::kRequest),
    Body(2320, "stock modify", change::kRequestSize, change::kRequest),
    Body(2330, "stock cancel", change::kRequestSize, change::kRequest),
    Body(4380, "ECN cancel", ecn_cancel::kRequestSize, ecn_cancel::kRequest),
    Body(4340, "order and fill inquiry", inquiry::kRequestSize, inquiry::kRequest),
    Body(4402, "order-available balance", available::kRequestSize, available::kRequest),
    Body(4401, "balance evaluation", evaluation::kRequestSize, evaluation::kRequest),
    Body(4450, "sellable balance", sellable::kRequestSize, sellable::kRequest),
    Body(2420, "transfer receivers", transfer::kReceiversRequestSize, transfer::kReceiversRequest),
    Body(2421, "withdrawable amount", transfer::kWithdrawableRequestSize, transfer::kWithdrawableRequest),
    Body(2422, "receiver inquiry", transfer::kInquiryRequestSize, transfer::kInquiryRequest),
    Body(2423, "receiver follow-up", transfer::kFollowUpRequestSize, transfer::kFollowUpRequest),
    Body(2425, "bank transfer", transfer::kTransferRequestSize, transfer::kTransferRequest),
    Body(4440, "transfer applications", applications::kRequestSize, applications::kRequest),
    Body(5300, "futures/options sell", futopt_order::kRequestSize, futopt_order::kRequest),
    Body(5301, "futures/options buy", futopt_order::kRequestSize, futopt_order::kRequest),
    Body(5302, "futures/options modify", futopt_change::kRequestSize, futopt_change::kModifyRequest),
    Body(5303, "futures/options cancel", futopt_change::kRequestSize, futopt_change::kCancelRequest),
    Body(5304, "futures/options orders and fills", futopt_inquiry::kRequestSize, futopt_inquiry::kRequest),
    Body(5401, "futures/options positions", futopt_positions::kRequestSize, futopt_positions::kRequest),
    Body(5400, "futures/options deposit", futopt_deposit::kRequestSize, futopt_deposit::kRequest),
};
// The plain quote requests (no account at their head).
inline constexpr Layout kQuoteLayouts[] = {
    Body(6100, "order book", quote::kBookRequestSize, quote::kBookRequest),
    Body(4140, "last trades", quote::kTicksRequestSize, quote::kTicksRequest),
    Body(4130, "daily prices", daily::kRequestSize, daily::kRequest),
    List(9000, "push registration", quote::kSlotsAt, quote::kRealRequest, quote::kSlot, quote::kSlotSize),
    Body(2500, "minute bars", chart::kMinuteRequestSize, chart::kMinuteRequest),
    Body(2510, "daily bars", chart::kRequestSize, chart::kRequest),
    Body(2520, "weekly bars", chart::kRequestSize, chart::kRequest),
    Body(2530, "monthly bars", chart::kRequestSize, chart::kRequest),
    Body(4190, "price rankings", ranking::kRequestSize, ranking::kRequest),
    Body(4180, "rise and fall rankings", ranking::kRequestSize, ranking::kRequest),
    Body(4600, "investor rankings", ranking::kRequestSize, ranking::kRowsFirstRequest),
    Body(4170, "ECN rankings", ranking::kRequestSize, ranking::kRowsFirstRequest),
    Body(4230, "stock profile", profile::kRequestSize, profile::kRequest),
    Body(4610, "investors' net buying", investors::kNetRequestSize, investors::kNetRequest),
    Body(4240, "investors by day", investors::kTrendRequestSize, investors::kTrendRequest),
    Body(4150, "foreign ownership", daily::kRequestSize, daily::kRequest),
    Body(5102, "futures order book", futopt::kBookRequestSize, futopt::kBookRequest),
    Body(5151, "options order book", futopt::kBookRequestSize, futopt::kBookRequest),
    Body(5101, "futures detail", futopt::kBookRequestSize, futopt::kBookRequest),
    Body(5150, "option detail", futopt::kBookRequestSize, futopt::kBookRequest),
    Body(5100, "options board by month", futopt::kListRequestSize, futopt::kMonthRequest),
    Body(5154, "options list by month", futopt::kListRequestSize, futopt::kMonthRequest),
    Body(5155, "options by strike", futopt::kListRequestSize, futopt::kStrikeRequest),
    Body(5555, "futures/options base quote", futopt::kBaseRequestSize, futopt::kBaseRequest),
    Body(5500, "futures/options minute bars", futopt_chart::kMinuteRequestSize, futopt_chart::kMinuteRequest),
    Body(5510, "futures daily bars", futopt_chart::kDailyRequestSize, futopt_chart::kDailyRequest),
    Body(5550, "options daily bars", futopt_chart::kDailyRequestSize, futopt_chart::kDailyRequest),
    Body(5103, "futures time and sales", futopt_ticks::kRequestSize, futopt_ticks::kRequest),
    Body(5152, "options time and sales", futopt_ticks::kRequestSize, futopt_ticks::kRequest),
    Body(5104, "futures daily history", futopt_days::kRequestSize, futopt_days::kRequest),
    Body(5153, "options daily history", futopt_days::kRequestSize, futopt_days::kRequest),
    Body(2110, "interest items", interest::kListRequestSize, interest::kListRequest),
    Body(2111, "interest group", interest::kEditRequestSize, interest::kEditRequest),
    Body(4620, "news headlines", news::kListRequestSize, news::kListRequest),
    Body(4625, "news of an item", news::kSearchRequestSize, news::kSearchRequest),
    Body(4630, "news article", news::kArticleRequestSize, news::kArticleRequest),
    Body(4640, "announcements", notice::kListRequestSize, notice::kListRequest),
    Body(4650, "announcement text", notice::kTextRequestSize, notice::kTextRequest),
    Body(4160, "ECN summary", ecn::kPriceRequestSize, ecn::kPriceRequest),
    Body(4165, "ECN trades", ecn::kTicksRequestSize, ecn::kTicksRequest),
    Body(2250, "expected execution", expected::kRequestSize, expected::kRequest),
    Body(4200, "sector indices", sector::kRequestSize, sector::kRequest),
    Body(4176, "foreign indices", foreign::kRequestSize, foreign::kRequest),
};
// The replies (fixed part and records).
inline constexpr Layout kReplyLayouts[] = {
    Body(2310, "order", order::kOrderNumber.end(), order::kReply),
    Body(2320, "modify or cancel", change::kNewNumber.end(), change::kReply),
    List(4340, "order and fill inquiry", inquiry::kRecordsAt, inquiry::kReply, inquiry::kRecord, inquiry::kRecordSize),
    Body(4402, "order-available balance", available::kReplySize, available::kReply),
    List(4401, "balance evaluation", evaluation::kRecordsAt, evaluation::kReply, evaluation::kRecord,
         evaluation::kRecordSize),
    List(4450, "sellable balance", sellable::kRecordsAt, sellable::kReply, sellable::kRecord, sellable::kRecordSize),
    Body(2421, "withdrawable amount", transfer::kWithdrawable.end(), transfer::kWithdrawableReply),
    Body(2422, "receiver inquiry", transfer::kInquiryReplyMark.end(), transfer::kInquiryReply),
    Body(2425, "bank transfer", transfer::kResultSize, transfer::kResultReply),
    List(2420, "transfer receivers", transfer::kReceiversAt, transfer::kReceiversReply, transfer::kReceiver,
         transfer::kReceiverSize),
    List(4440, "transfer applications", applications::kRecordsAt, applications::kReply, applications::kRecord,
         applications::kRecordSize),
    Body(6100, "five-level order book", quote::kBook5Size, quote::kBook5Reply),
    List(4140, "last trades", quote::kTicksAt, quote::kTicksReply, quote::kTick, quote::kTickSize),
    List(4130, "daily prices", daily::kRecordsAt, daily::kReply, daily::kRecord, daily::kRecordSize),
    List(9110, "trade push", quote::kRecordsAt, quote::kPushHead, quote::kTrade, quote::kTradeSize),
    List(9210, "index push", quote::kRecordsAt, quote::kPushHead, quote::kIndex, quote::kIndexSize),
    List(2500, "chart bars", chart::kBarsAt, chart::kReply, chart::kBar, chart::kBarSize),
    List(5500, "futures/options chart bars", futopt_chart::kBarsAt, futopt_chart::kReply, futopt_chart::kBar,
         futopt_chart::kBarSize),
    List(5103, "futures/options time and sales", futopt_ticks::kRowsAt, futopt_ticks::kReply, futopt_ticks::kRow,
         futopt_ticks::kRowSize),
    List(5104, "futures/options daily history", futopt_days::kRowsAt, futopt_days::kReply, futopt_days::kRow,
         futopt_days::kRowSize),
    List(4190, "price rankings", ranking::kRecordsAt, ranking::kReply, ranking::kPriceRow, ranking::kPriceSize),
    List(4600, "investor rankings", ranking::kRecordsAt, ranking::kReply, ranking::kInvestorRow,
         ranking::kInvestorSize),
    List(4170, "ECN rankings", ranking::kRecordsAt, ranking::kReply, ranking::kEcnRow, ranking::kEcnSize),
    List(4230, "stock profile", profile::kBrokersAt, profile::kReply, profile::kBroker, profile::kBrokerSize),
    Body(4610, "investors' net buying", investors::kNetReplySize, investors::kNetReply),
    List(4240, "investors by day", days::kRecordsAt, days::kReply, days::kTrendDay, days::kTrendSize),
    List(4150, "foreign ownership", days::kRecordsAt, days::kReply, days::kForeignDay, days::kForeignSize),
    Body(5300, "futures/options order", futopt_order::kOrderNumber.end(), futopt_order::kReply),
    Body(5302, "futures/options modify or cancel", futopt_change::kNewNumber.end(), futopt_change::kReply),
    List(5304, "futures/options orders and fills", futopt_inquiry::kRecordsAt, futopt_inquiry::kReply,
         futopt_inquiry::kRecord, futopt_inquiry::kRecordSize),
    List(5401, "futures/options positions", futopt_positions::kRecordsAt, futopt_positions::kReply,
         futopt_positions::kRecord, futopt_positions::kRecordSize),
    Body(5400, "futures/options deposit", futopt_deposit::kReplySize, futopt_deposit::kReply),
    Body(5102, "futures/options order book", futopt::kBookSize, futopt::kBookReply),
    List(5100, "options board", futopt::kMonthRowsAt, futopt::kMonthReply, futopt::kBoardRow, futopt::kRowSize),
    List(5105, "futures list", futopt::kListRowsAt, futopt::kCountOnly, futopt::kBoardRow, futopt::kRowSize),
    List(5154, "options list", futopt::kMonthRowsAt, futopt::kMonthReply, futopt::kListRow, futopt::kRowSize),
    List(5155, "options by strike", futopt::kListRowsAt, futopt::kCountOnly, futopt::kStrikeRow,
         futopt::kStrikeRowSize),
    List(9310, "futures/options trade push", quote::kRecordsAt, quote::kPushHead, futopt::kTrade, futopt::kTradeSize),
    Body(9321, "futures/options book push", futopt::kBookPushSize, futopt::kBookPush),
    Body(5101, "futures detail", futopt_detail::kFuturesSize, futopt_detail::kFuturesReply),
    Body(5150, "option detail", futopt_detail::kOptionSize, futopt_detail::kOptionReply),
    List(2110, "interest items", interest::kItemsAt, interest::kListReply, interest::kItem, interest::kItemSize),
    List(2111, "interest group", interest::kCodesAt, interest::kCodesReply, interest::kCodeRow, interest::kCodeRowSize),
    List(4620, "news headlines", news::kListRowsAt, news::kListReply, news::kRow, news::kRowSize),
    List(4625, "news of an item", news::kSearchRowsAt, news::kSearchReply, news::kRow, news::kRowSize),
    List(4630, "news article", 1, news::kTextReply, news::kLine, news::kLineSize),
    List(4640, "announcements", notice::kRowsAt, notice::kListReply, notice::kRow, notice::kRowSize),
    List(4650, "announcement text", 1, notice::kTextReply, notice::kLine, notice::kLineSize),
    List(4175, "indices", notice::kIndicesAt, notice::kIndexReply, notice::kIndex, notice::kIndexSize),
    Body(4160, "ECN summary", ecn::kPriceReplySize, ecn::kPriceReply),
    List(4165, "ECN trades", ecn::kTicksAt, ecn::kTicksReply, ecn::kTick, ecn::kTickSize),
    Body(2250, "expected execution", expected::kReplySize, expected::kReply),
    Body(4210, "market summary", summary::kReplySize, summary::kReply),
    List(4200, "sector indices", sector::kRecordsAt, sector::kReply, sector::kRecord, sector::kRecordSize),
    List(4176, "foreign indices", foreign::kRecordsAt, foreign::kReply, foreign::kRecord, foreign::kRecordSize),
};

}  // namespace vxtr
