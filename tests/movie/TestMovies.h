// Short movies made with the ffmpeg command-line tool for the player tests.
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tavorin::test {

// 64 x 48 MJPEG in AVI at 25 fps, `seconds` long, top half red and bottom
// half blue; with `sound` a 440 Hz tone as 16-bit PCM.
inline void MakeMovie(const std::string& path, double seconds, bool sound) {
  std::string length = std::to_string(seconds);
  std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
      "\"color=c=black:s=64x48:r=25:d=" +
      length + ",format=rgb24,geq=r='if(lt(Y,H/2),220,10)':g='10':b='if(lt(Y,H/2),10,220)'\" ";
  if (sound)
    command += "-f lavfi -i \"sine=frequency=440:sample_rate=44100:duration=" + length + "\" ";
  command += "-c:v mjpeg -q:v 2 -pix_fmt yuvj420p ";
  if (sound) command += "-c:a pcm_s16le -ac 1 ";
  command += "'" + path + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + command);
}

}  // namespace tavorin::test
