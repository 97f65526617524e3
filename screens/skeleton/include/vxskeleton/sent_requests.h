// Requests sent and not yet answered, oldest first, each with what its reply's box describes: the
// order as it was confirmed, whatever the screen's boxes hold when the reply comes. Every reply of
// the request's transaction answers the oldest one (accepted, refused by the server or unreadable
// alike).
//
//   vxskel::SentRequests<SentOrder> m_sent;
//   if (m_sent.Full()) refuse;  ...  if (SendEncrypted(...)) m_sent.Push(order);
//   LRESULT OnPacket(WPARAM w, LPARAM l) {
//       return m_sent.Answer(TrGetU16(packet + 4) == kCode, [&] { return OnVxPacket(w, l); });
//   }
//   const SentOrder* o = m_sent.Current();   // inside the reply's handling; null: none sent
#pragma once

namespace vxskel {

template <typename T, int N = 8>
class SentRequests {
 public:
  bool Full() const { return count_ == N; }
  int Count() const { return count_; }
  // Adds a request that went out; false (nothing kept) when N are already waiting.
  bool Push(const T& sent) {
    if (Full()) return false;
    items_[(head_ + count_) % N] = sent;
    ++count_;
    return true;
  }
  // Handles a packet: when it is a reply of the requests' transaction (`ours`), the oldest
  // request is its own while `handle` runs (Current()).
  template <typename F>
  auto Answer(bool ours, F&& handle) {
    if (ours && count_ > 0) {
      current_ = head_;
      head_ = (head_ + 1) % N;
      --count_;
    }
    auto result = handle();
    current_ = -1;
    return result;
  }
  const T* Current() const { return current_ >= 0 ? &items_[current_] : nullptr; }

 private:
  T items_[N] = {};
  int head_ = 0;
  int count_ = 0;
  int current_ = -1;
};

}  // namespace vxskel
