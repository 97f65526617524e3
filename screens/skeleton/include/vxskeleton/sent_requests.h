// Requests sent and not yet answered, oldest first, each with what its reply's box describes: the
// order as it was confirmed, whatever the screen's boxes hold when the reply comes. Every reply of
// the request's transaction answers the oldest one (accepted, refused by the server or unreadable
// alike). Nothing bounds how many wait: each was confirmed by the user in a box of its own.
//
//   vxskel::SentRequests<SentOrder> m_sent;
//   if (SendEncrypted(...)) m_sent.Push(order);
//   LRESULT OnPacket(WPARAM w, LPARAM l) {
//       return m_sent.Answer(TrGetU16(packet + 4) == kCode, [&] { return OnVxPacket(w, l); });
//   }
//   const SentOrder* o = m_sent.Current();   // inside the reply's handling; null: none sent
#pragma once

#include <deque>
#include <optional>

namespace vxskel {

template <typename T>
class SentRequests {
 public:
  int Count() const { return static_cast<int>(waiting_.size()); }
  // Adds a request that went out.
  void Push(const T& sent) { waiting_.push_back(sent); }
  // Handles a packet: when it is a reply of the requests' transaction (`ours`), the oldest
  // request is its own while `handle` runs (Current()).
  template <typename F>
  auto Answer(bool ours, F&& handle) {
    if (ours && !waiting_.empty()) {
      current_ = waiting_.front();
      waiting_.pop_front();
    }
    auto result = handle();
    current_.reset();
    return result;
  }
  const T* Current() const { return current_ ? &*current_ : nullptr; }

 private:
  std::deque<T> waiting_;
  std::optional<T> current_;
};

}  // namespace vxskel
