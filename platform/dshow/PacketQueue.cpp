// The splitter's bounded packet queues.
#include "platform/dshow/PacketQueue.h"

namespace tavorin::dshow {

bool PacketQueue::Push(Item item) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_changed.wait(hold, [this] { return m_closed || m_items.size() < m_limit; });
  if (m_closed) return false;
  m_items.push_back(std::move(item));
  m_changed.notify_all();
  return true;
}

bool PacketQueue::Pop(Item* item) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_changed.wait(hold, [this] { return m_closed || !m_items.empty(); });
  if (m_closed) return false;
  *item = std::move(m_items.front());
  m_items.pop_front();
  m_changed.notify_all();
  return true;
}

void PacketQueue::Close() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_closed = true;
  m_changed.notify_all();
}

void PacketQueue::Reopen() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_items.clear();
  m_closed = false;
}

}  // namespace tavorin::dshow
