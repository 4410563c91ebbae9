#include <IPackManager.h>
#include <comobject.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "movie/CheckBytes.h"
#include "support/HeadlessDevice.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

namespace {

using namespace tavorin::test;
using tavorin::ComPtr;

constexpr int kChipWidth = 242;
constexpr int kChipRowHeight = 21;

int ExitCode(const std::string& command) {
  int status = std::system((command + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Output(const std::string& command) {
  return RunCommand(command + " 2>/dev/null").out;
}

// The image's pixels as X8R8G8B8 values, read from a texture's top-left.
std::vector<DWORD> Pixels(IDirect3DTexture9* texture, int width, int height) {
  std::vector<DWORD> pixels;
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return pixels;
  for (int y = 0; y < height; ++y) {
    const DWORD* row =
        reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < width; ++x) pixels.push_back(row[x] & 0xFFFFFF);
  }
  texture->UnlockRect(0);
  return pixels;
}

// The tone's pitch from the zero crossings of the movie's first audio
// channel, decoded by the ffmpeg tool.
double TonePitch(const std::string& movie) {
  std::string pcm = Output("ffmpeg -nostdin -loglevel error -i '" + movie +
                           "' -map 0:a -ac 1 -ar 44100 -f s16le -");
  const int16_t* samples = reinterpret_cast<const int16_t*>(pcm.data());
  size_t count = pcm.size() / 2;
  if (count < 44100) return 0;
  int crossings = 0;
  for (size_t i = 1; i < count; ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0);
  return crossings / 2.0 / (double(count) / 44100);
}

// One 80 × 60 RGB frame of the movie at `seconds`.
std::string Frame(const std::string& movie, double seconds) {
  return Output("ffmpeg -nostdin -loglevel error -ss " + std::to_string(seconds) + " -i '" + movie +
                "' -frames:v 1 -vf scale=80:60 -f rawvideo -pix_fmt rgb24 -");
}

double MeanDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return -1;
  double total = 0;
  for (size_t i = 0; i < a.size(); ++i) total += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
  return total / double(a.size());
}

TEST(MakeContentTest, WritesLabelledChipRowsTwoDistinctMoviesAndTheArchive) {
  TempDir dir;
  std::string out = dir.File("content");
  ASSERT_EQ(0, ExitCode(MAKE_CONTENT_PATH " '" + out + "'"));
  CurrentDirectory current(out);

  {  // The archive holds the movies byte for byte and the chip as a raw texture.
    ComPtr<IPackManager> manager;
    ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
    ComPtr<IPackReader> reader(manager->GetPackReader());
    ASSERT_TRUE(reader);
    for (const char* movie : {"Test0.avi", "Test1.avi"}) {
      ComPtr<IReadAccesser> stream;
      ASSERT_EQ(S_OK, reader->OpenFile(stream.ReleaseAndGetAddressOf(), movie));
      std::vector<uint8_t> loose = dir.Read("content/" + std::string(movie));
      std::vector<uint8_t> archived(loose.size() + 1);
      EXPECT_EQ(loose.size(), stream->Read(archived.data(), DWORD(archived.size()))) << movie;
      archived.resize(loose.size());
      EXPECT_TRUE(archived == loose) << movie;
      GUID subtype = tavorin::movie::DetectStreamSubtype(stream.Get());
      EXPECT_EQ(0xE436EB88u, subtype.Data1) << movie << " is not recognised as AVI";
    }
    ComPtr<IReadAccesser> chip;
    ASSERT_EQ(S_OK, reader->OpenFile(chip.ReleaseAndGetAddressOf(), "Chip.bmp"));
    char magic[4] = {};
    chip->Read(magic, 4);
    EXPECT_EQ(0, memcmp(magic, "TEEV", 4));
  }

  {  // The raw chip from the archive and the loose bitmap are the same image
     // of three rows, each with its own colour and its own label.
    HeadlessDevice device;
    ASSERT_NE(nullptr, device.Get());
    ComPtr<IPackManager> manager;
    ASSERT_EQ(S_OK, CreatePackManager(manager.ReleaseAndGetAddressOf()));
    ComPtr<IDirect3DTexture9> raw;
    INT size[2] = {};
    ASSERT_EQ(S_OK,
              manager->LoadTexture(raw.ReleaseAndGetAddressOf(), device.Get(), "Chip.bmp", size));
    EXPECT_EQ(kChipWidth, size[0]);
    EXPECT_EQ(3 * kChipRowHeight, size[1]);
    ComPtr<IDirect3DTexture9> bitmap;
    ASSERT_EQ(S_OK, D3DXCreateTextureFromFileExA(
                        device.Get(), "Chip.bmp", D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0,
                        D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                        nullptr, nullptr, bitmap.ReleaseAndGetAddressOf()));
    std::vector<DWORD> pixels = Pixels(raw.Get(), size[0], size[1]);
    ASSERT_EQ(size_t(size[0]) * size[1], pixels.size());
    EXPECT_TRUE(pixels == Pixels(bitmap.Get(), size[0], size[1]));

    DWORD backgrounds[3];
    std::vector<bool> ink[3];
    for (int row = 0; row < 3; ++row) {
      const DWORD* top = pixels.data() + size_t(row) * kChipRowHeight * kChipWidth;
      backgrounds[row] = top[kChipRowHeight / 2 * kChipWidth + 3];
      for (int i = 0; i < kChipRowHeight * kChipWidth; ++i) ink[row].push_back(top[i] == 0xFFFFFF);
      EXPECT_GT(std::count(ink[row].begin(), ink[row].end(), true), 100) << "row " << row;
    }
    for (int a = 0; a < 3; ++a) {
      for (int b = a + 1; b < 3; ++b) {
        EXPECT_NE(backgrounds[a], backgrounds[b]) << a << " " << b;
        EXPECT_NE(ink[a], ink[b]) << "rows " << a << " and " << b << " carry the same label";
      }
    }
  }

  {  // The movies: 800 × 600 at 30 fps for 4 to 6 s, moving pictures that
     // differ from each other, each with its own tone.
    std::string frames[2][2];
    for (int i = 0; i < 2; ++i) {
      std::string movie = out + "/Test" + std::to_string(i) + ".avi";
      std::string probe = Output(
          "ffprobe -v error -show_entries stream=codec_type,width,height,r_frame_rate:"
          "format=duration,format_name -of default=noprint_wrappers=1 '" +
          movie + "'");
      EXPECT_NE(std::string::npos, probe.find("width=800\nheight=600\n")) << probe;
      EXPECT_NE(std::string::npos, probe.find("r_frame_rate=30/1")) << probe;
      EXPECT_NE(std::string::npos, probe.find("codec_type=audio")) << probe;
      EXPECT_NE(std::string::npos, probe.find("format_name=avi")) << probe;
      size_t at = probe.find("duration=");
      ASSERT_NE(std::string::npos, at) << probe;
      double duration = std::atof(probe.c_str() + at + 9);
      EXPECT_GE(duration, 4.0);
      EXPECT_LE(duration, 6.0);
      frames[i][0] = Frame(movie, 1.0);
      frames[i][1] = Frame(movie, 3.0);
      EXPECT_GT(MeanDifference(frames[i][0], frames[i][1]), 4.0) << movie << " does not move";
    }
    EXPECT_GT(MeanDifference(frames[0][0], frames[1][0]), 20.0);
    // Made again, the movies look the same: pictures of one making are the
    // references for another.
    std::string again = dir.File("again");
    ASSERT_EQ(0, ExitCode(MAKE_CONTENT_PATH " --seconds 1.5 '" + again + "'"));
    for (int i = 0; i < 2; ++i) {
      std::string name = "/Test" + std::to_string(i) + ".avi";
      EXPECT_LT(MeanDifference(Frame(again + name, 1.0), frames[i][0]), 2.0) << name;
    }
    double pitch0 = TonePitch(out + "/Test0.avi");
    double pitch1 = TonePitch(out + "/Test1.avi");
    EXPECT_NEAR(440, pitch0, 440 * 0.05);
    EXPECT_NEAR(880, pitch1, 880 * 0.05);
  }
}

TEST(MakeContentTest, BadArgumentsAndUnwritablePlacesFailWithoutLeftovers) {
  EXPECT_EQ(2, ExitCode(MAKE_CONTENT_PATH));
  EXPECT_EQ(2, ExitCode(MAKE_CONTENT_PATH " a b"));
  TempDir dir;
  std::ofstream(dir.File("file")) << "not a directory";
  EXPECT_EQ(1, ExitCode(MAKE_CONTENT_PATH " '" + dir.File("file") + "/content'"));
  size_t entries = 0;
  for (auto it = std::filesystem::directory_iterator(dir.path());
       it != std::filesystem::directory_iterator(); ++it) {
    ++entries;
  }
  EXPECT_EQ(1u, entries);
}

}  // namespace
