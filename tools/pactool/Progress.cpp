#include "tools/pactool/Progress.h"

#include <cstdio>
#include <unistd.h>

namespace pactool {

Progress::Progress(std::string verb, uint64_t totalItems, uint64_t totalBytes)
    : m_verb(std::move(verb)),
      m_totalItems(totalItems),
      m_totalBytes(totalBytes),
      m_enabled(::isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
  if (!m_drawn) return;
  Draw();
  std::fputc('\n', stderr);
}

void Progress::Advance(uint64_t items, uint64_t bytes) {
  m_items += items;
  m_bytes += bytes;
  if (!m_enabled) return;
  auto now = std::chrono::steady_clock::now();
  if (m_drawn && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  Draw();
}

void Progress::Draw() {
  m_drawn = true;
  double percent = m_totalBytes ? 100.0 * double(m_bytes) / double(m_totalBytes) : 100.0;
  std::fprintf(stderr, "\rpactool: %s %llu/%llu files, %.1f/%.1f MiB (%3.0f%%)", m_verb.c_str(),
               static_cast<unsigned long long>(m_items),
               static_cast<unsigned long long>(m_totalItems), double(m_bytes) / 1048576.0,
               double(m_totalBytes) / 1048576.0, percent);
  std::fflush(stderr);
}

}  // namespace pactool
