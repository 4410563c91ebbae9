// The packets waiting for one output of the splitter, between its demux
// thread and the output's delivery thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/dshow/media/MediaPacket.h"

namespace tavorin::dshow {

class PacketQueue {
 public:
  struct Item {
    media::CMediaPacket packet;
    bool end = false;  // no packets follow
  };

  // At most `limit` packets wait; Push blocks beyond that.
  explicit PacketQueue(size_t limit) : m_limit(limit) {}

  // Waits for room; false (and the packet dropped) once the queue is closed.
  bool Push(Item item);
  // Waits for an item; false once the queue is closed.
  bool Pop(Item* item);
  // Wakes and refuses every waiter until Reopen. Any thread.
  void Close();
  // Empties the queue and accepts items again.
  void Reopen();

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<Item> m_items;
  size_t m_limit;
  bool m_closed = false;
};

}  // namespace tavorin::dshow
