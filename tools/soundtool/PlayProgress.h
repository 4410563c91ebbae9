// The one-line progress of "soundtool play" on stderr, shown only when
// stderr is a terminal so that logs and pipes stay clean.
#pragma once

#include <IDirectSoundPlayer3.h>

namespace soundtool {

class PlayProgress {
 public:
  PlayProgress();
  ~PlayProgress();
  // Redraws the line from the player's position and loops, at most ten
  // times a second.
  void Update(IDirectSoundPlayer3* player, bool fading);

 private:
  bool m_enabled;
  bool m_drawn = false;
  unsigned long m_lastDraw = 0;
};

}  // namespace soundtool
