#include "tools/make-content/TestMovies.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace makecontent {
namespace {

void Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    throw std::runtime_error("cannot run " + args[0] + ": " + std::strerror(error) +
                             " (scripts/setup installs it)");
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("lost " + args[0] + ": " + std::strerror(errno));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args[0] + " failed making a test movie");
  }
}

std::string VideoSource(int index) {
  std::string size = "size=" + std::to_string(kMovieWidth) + "x" + std::to_string(kMovieHeight) +
                     ":rate=" + std::to_string(kMovieRate);
  // Two sources that look nothing alike: a test pattern with a moving
  // sweep and counter, and slowly turning colour gradients. The gradients'
  // colours are named: left to the filter they are random on every run,
  // and pictures made elsewhere could no longer be told from ours.
  return index == 0 ? "testsrc2=" + size
                    : "gradients=" + size +
                          ":speed=0.05:n=5:seed=7:c0=0x20208F:c1=0xE0602A:c2=0x2AA198:"
                          "c3=0x8F2080:c4=0xD8C030";
}

}  // namespace

int MovieTone(int index) {
  return index == 0 ? 440 : 880;
}

void MakeTestMovie(const std::string& path, int index, double length) {
  std::string partial = path + ".partial";
  std::string seconds = std::to_string(length);
  std::string tone = "sine=frequency=" + std::to_string(MovieTone(index)) + ":sample_rate=44100";
  try {
    Run({"ffmpeg",  "-nostdin", "-loglevel",
         "error",   "-y",       "-f",
         "lavfi",   "-i",       VideoSource(index),
         "-f",      "lavfi",    "-i",
         tone,      "-map",     "0:v",
         "-map",    "1:a",      "-t",
         seconds,   "-c:v",     "mpeg4",
         "-q:v",    "4",        "-pix_fmt",
         "yuv420p", "-c:a",     "pcm_s16le",
         "-ac",     "2",        "-f",
         "avi",     partial});
    std::filesystem::rename(partial, path);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw;
  }
}

}  // namespace makecontent
