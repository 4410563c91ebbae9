// Runs the built soundtool end to end: loose and archived sounds, errors,
// and Ctrl-C.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "SoundPlayerFixture.h"
#include "pack/ArchiveBuilder.h"

#ifdef SOUNDTOOL_PATH

namespace sound_test {
namespace {

using tavorin::test::ArchiveBuilder;

struct Outcome {
  int exitCode = -1;  // -1: ended by a signal
  std::string out, err;
};

class SoundtoolTest : public ::testing::Test {
 protected:
  // Starts soundtool with `args` in the test directory, output to files.
  pid_t Spawn(const std::vector<std::string>& args) {
    // Everything the child needs is made before the fork: other threads
    // may hold the allocator's lock at that moment.
    std::vector<char*> argv = {const_cast<char*>(SOUNDTOOL_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::string dir = m_dir.path().string();
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(dir.c_str()) != 0) _exit(127);
    int out = open("out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open("err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(SOUNDTOOL_PATH, argv.data());
    _exit(127);
  }

  Outcome Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Bytes out = m_dir.Read("out");
    Bytes err = m_dir.Read("err");
    outcome.out.assign(out.begin(), out.end());
    outcome.err.assign(err.begin(), err.end());
    return outcome;
  }

  Outcome Run(const std::vector<std::string>& args) { return Wait(Spawn(args)); }

  // Whether process `pid` holds `file` open.
  static bool HasOpen(pid_t pid, const std::string& file) {
    std::error_code error;
    std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
      if (std::filesystem::read_symlink(entry.path(), error).filename() == file) return true;
    }
    return false;
  }

  tavorin::test::TempDir m_dir;
};

TEST_F(SoundtoolTest, PlaysLooseAndArchivedSoundsToTheirEnd) {
  ASSERT_NE("", Sox(m_dir, "loose.wav", "-r 22050 -b 16 -c 2", "synth 0.4 sine 440"));
  ASSERT_NE("", Sox(m_dir, "packed.wav", "-r 44100 -b 16 -c 1", "synth 0.6 sine 440"));
  ASSERT_NE("", OggEnc(m_dir, "packed.wav", "packed.ogg"));
  m_dir.Write("Data.pac",
              ArchiveBuilder().FileCount(1).File("music.ogg", m_dir.Read("packed.ogg")).Build());

  Outcome loose =
      Run({"play", "loose.wav", "--volume", "-600", "--pan", "300", "--frequency", "1500"});
  EXPECT_EQ(0, loose.exitCode) << loose.err;
  EXPECT_EQ(std::string::npos, loose.err.find("soundtool:")) << loose.err;
  Outcome archived = Run({"play", "music.ogg", "--loops", "2", "--loop-start", "300"});
  EXPECT_EQ(0, archived.exitCode) << archived.err;

  Outcome info = Run({"info", "music.ogg"});
  EXPECT_EQ(0, info.exitCode) << info.err;
  EXPECT_NE(std::string::npos, info.out.find("from Data.pac")) << info.out;
  EXPECT_NE(std::string::npos, info.out.find("type: Ogg Vorbis")) << info.out;
  EXPECT_NE(std::string::npos, info.out.find("length: 0.600 s")) << info.out;
  info = Run({"info", "loose.wav"});
  EXPECT_EQ(0, info.exitCode) << info.err;
  EXPECT_NE(std::string::npos, info.out.find("format: PCM 16-bit, 2 channels, 22050 Hz"))
      << info.out;
  EXPECT_NE(std::string::npos, info.out.find("chunks: \"fmt \" 16 \"data\" 35280")) << info.out;
}

TEST_F(SoundtoolTest, ErrorsAndUsageHaveTheirExitCodes) {
  ASSERT_NE("", Sox(m_dir, "tone.wav", "-r 8000 -b 16 -c 1", "synth 0.2 sine 440"));
  m_dir.Write("junk.ogg", tavorin::test::PatternBytes(3000, 9));
  m_dir.Write("tone.mp3", m_dir.Read("tone.wav"));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* message;
  };
  for (const Case& c : std::vector<Case>{
           {{"play", "missing.wav"}, 1, "no such file"},
           {{"play", "junk.ogg"}, 1, "not an Ogg Vorbis stream"},
           {{"info", "tone.mp3"}, 1, "not a sound by its name"},
           {{"play", "tone.wav", "--volume", "loud"}, 2, "--volume takes"},
           {{"play", "tone.wav", "--pan"}, 2, "--pan needs a value"},
           {{"play", "tone.wav", "--loop-start", "900"}, 2, "past the end"},
           {{"play", "tone.wav", "--speed", "2"}, 2, "unknown option"},
           {{"play"}, 2, "file name is missing"},
           {{"mix", "tone.wav"}, 2, "unknown command"},
           {{}, 2, "usage:"},
       }) {
    Outcome outcome = Run(c.args);
    SCOPED_TRACE(outcome.err);
    EXPECT_EQ(c.exitCode, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.err.find(c.message));
  }
}

TEST_F(SoundtoolTest, CtrlCFadesOutAndExits) {
  ASSERT_NE("", Sox(m_dir, "tone.wav", "-r 8000 -b 16 -c 1", "synth 1 sine 440"));
  pid_t pid = Spawn({"play", "tone.wav", "--loops", "0", "--fade-out", "200"});
  // Once the sound is open the tool's own Ctrl-C handling is in place.
  EXPECT_TRUE(WaitUntil([&] { return HasOpen(pid, "tone.wav"); }, 20.0));
  kill(pid, SIGINT);
  Outcome outcome = Wait(pid);
  EXPECT_EQ(130, outcome.exitCode) << outcome.err;
}

}  // namespace
}  // namespace sound_test

#endif
