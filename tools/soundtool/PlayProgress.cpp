#include "tools/soundtool/PlayProgress.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

#include <mmsystem.h>

namespace soundtool {

PlayProgress::PlayProgress() : m_enabled(::isatty(STDERR_FILENO) == 1) {}

PlayProgress::~PlayProgress() {
  if (m_drawn) std::fputc('\n', stderr);
}

void PlayProgress::Update(IDirectSoundPlayer3* player, bool fading) {
  if (!m_enabled) return;
  DWORD now = timeGetTime();
  if (m_drawn && now - m_lastDraw < 100) return;
  m_lastDraw = now;
  m_drawn = true;
  int loops = player->GetLoopCount();
  char passes[32] = "";
  if (loops != 1) {
    int pass = loops > 0 ? std::min(player->GetLoopsDone() + 1, loops) : player->GetLoopsDone() + 1;
    std::snprintf(passes, sizeof passes, "  pass %d/%s", pass,
                  loops <= 0 ? "endless" : std::to_string(loops).c_str());
  }
  std::fprintf(stderr, "\r%7.2f / %.2f s%s%s   ", player->GetPosition() / 1000.0,
               player->GetLength() / 1000.0, passes, fading ? "  fading out" : "");
  std::fflush(stderr);
}

}  // namespace soundtool
