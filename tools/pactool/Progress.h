// A one-line progress report on stderr, shown only when stderr is a terminal
// so that logs and pipes stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace pactool {

class Progress {
 public:
  Progress(std::string verb, uint64_t totalItems, uint64_t totalBytes);
  ~Progress();
  void Advance(uint64_t items, uint64_t bytes);

 private:
  void Draw();

  std::string m_verb;
  uint64_t m_totalItems, m_totalBytes;
  uint64_t m_items = 0, m_bytes = 0;
  bool m_enabled;
  bool m_drawn = false;
  std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace pactool
