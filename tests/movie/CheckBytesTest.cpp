#include <comobject.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "movie/CheckBytes.h"
#include "movie/MemoryStream.h"
#include "support/TempDir.h"

namespace {

using tavorin::ComPtr;
using tavorin::movie::DetectStreamSubtype;
using tavorin::movie::kUnknownStreamSubtype;
using tavorin::movie::MatchCheckBytes;
using tavorin::test::MakeMemoryStream;

constexpr const char* kStreamTypesKey = "Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}";
constexpr const char* kRiffAvi = "0,4,,52494646,8,4,,41564920";

std::string Riff(const char* form) {
  return std::string("RIFF\x10\0\0\0", 8) + form + "LIST";
}

bool Match(const std::string& bytes, const char* pattern) {
  ComPtr<IReadAccesser> stream = MakeMemoryStream(bytes);
  return MatchCheckBytes(stream.Get(), pattern);
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

GUID Detect(const std::string& bytes) {
  ComPtr<IReadAccesser> stream = MakeMemoryStream(bytes);
  return DetectStreamSubtype(stream.Get());
}

std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

TEST(CheckBytesTest, PatternsCompareMaskedBytesAtTheirOffsets) {
  EXPECT_TRUE(Match(Riff("AVI "), kRiffAvi));
  EXPECT_FALSE(Match(Riff("WAVE"), kRiffAvi));
  EXPECT_TRUE(MatchCheckBytes(MakeMemoryStream(Riff("WAVE")).Get(), nullptr));
  EXPECT_FALSE(MatchCheckBytes(nullptr, kRiffAvi));

  // Fields are trimmed of blanks and control characters; a blank mask is
  // no mask.
  EXPECT_TRUE(Match(Riff("AVI "), " 0 ,\t4\t,   , 52494646 , 8,4, \t ,41564920"));
  // With a mask, only the masked bits count.
  EXPECT_TRUE(Match("RxFF", "0,4,FF00FFFF,52004646"));
  EXPECT_TRUE(Match(std::string("\x00\x00\x01\xBA\x44", 5), "0,5,FFFFFFFFC4,000001BA44"));
  EXPECT_FALSE(Match(std::string("\x00\x00\x01\xBA\x21", 5), "0,5,FFFFFFFFC4,000001BA44"));
  EXPECT_TRUE(Match("abcd", "0,4,ffffffff,61626364"));  // lower-case digits too

  // A value shorter than the length compares the rest against zero.
  EXPECT_TRUE(Match(std::string("RI\0\0", 4), "0,4,,5249"));
  EXPECT_FALSE(Match("RIFF", "0,4,,5249"));
  EXPECT_TRUE(Match(std::string("R\0\0\0", 4), "0,4,FF00,52"));
  EXPECT_TRUE(Match("RIFF", "0,0,,"));
}

TEST(CheckBytesTest, LengthsUpTo128AreComparedAndMalformedPatternsNeverMatch) {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += char(i * 7 + 3);
  std::string run128 = bytes.substr(10, 128);
  std::string run129 = bytes.substr(10, 129);
  EXPECT_TRUE(Match(bytes, ("10,128,," + Hex(run128)).c_str()));
  EXPECT_TRUE(Match(bytes, ("10,128," + std::string(256, 'F') + "," + Hex(run128)).c_str()));
  std::string differsAtEnd = run128;
  differsAtEnd[127] ^= 1;
  EXPECT_FALSE(Match(bytes, ("10,128,," + Hex(differsAtEnd)).c_str()));
  EXPECT_FALSE(Match(bytes, ("10,129,," + Hex(run128)).c_str()));
  EXPECT_FALSE(Match(bytes, ("10,129,," + Hex(run129)).c_str()));
  // Mask or value fields longer than 128 bytes.
  EXPECT_FALSE(Match(bytes, ("10,4,," + Hex(run129)).c_str()));
  EXPECT_FALSE(Match(bytes, ("10,4," + std::string(258, 'F') + "," + Hex(run128)).c_str()));

  const std::string riff = Riff("AVI ");
  for (const char* pattern : {
           "",                              // no quadruple at all
           "0,4,,52494646,8",               // a quadruple cut short
           "0,4,,52494646,8,4,,41564920,",  // a trailing comma starts another
           "0,4,,5249464",                  // odd digit count
           "0,4,,5249464G",                 // not hexadecimal
           "0,4,F,52494646",                // odd mask
           "x,4,,52494646",                 // offset not a number
           "0,four,,52494646",              // length not a number
           "0,-1,,",                        // negative length
           "0, ,,",                         // empty length
           "0,4,,52 49 46 46",              // digits with blanks between
           "99999999999,1,,00",             // offset beyond 32 bits
       }) {
    EXPECT_FALSE(Match(riff, pattern)) << '"' << pattern << '"';
  }

  // Runs past the end of the stream do not match, even against zero.
  EXPECT_FALSE(Match(std::string("RIFF\0\0", 6), "4,4,,00000000"));
  EXPECT_FALSE(Match("RIFF", "2,4,,4646"));
  // A negative offset cannot be sought from the start; the bytes at the
  // position the stream happens to be at must not be taken instead.
  EXPECT_FALSE(Match(riff, "-4,4,,52494646"));
}

TEST(CheckBytesTest, DetectionWalksRegisteredSubtypesInOrder) {
  EXPECT_EQ(kUnknownStreamSubtype, Detect("no known signature here"));
  EXPECT_EQ(kUnknownStreamSubtype, DetectStreamSubtype(nullptr));
  EXPECT_EQ("{E436EB88-524F-11CE-9F53-0020AF0BA770}", GuidText(Detect(Riff("AVI "))));
  EXPECT_EQ("{E436EB8B-524F-11CE-9F53-0020AF0BA770}", GuidText(Detect(Riff("WAVE"))));

  // Keys of this test sort before every registered GUID ("0…" before "{…}"
  // and "{0…" before "{1…"), so they are tried first.
  HKEY types = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CLASSES_ROOT, kStreamTypesKey, 0, KEY_ALL_ACCESS, &types));
  auto setValue = [](HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD(text.size() + 1));
  };
  auto addKey = [&](const char* name) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(types, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    return key;
  };
  const char* kOwn = "{00000001-0000-0000-0000-00000000ABCD}";
  HKEY own = addKey(kOwn);
  // The second value matches after the first did not.
  setValue(own, "0", "0,4,,FFFFFFFF");
  setValue(own, "1", kRiffAvi);
  EXPECT_EQ(kOwn, GuidText(Detect(Riff("AVI "))));

  // A value longer than 256 bytes ends this key's scan: the later match is
  // never seen and the registered AVI key answers.
  setValue(own, "0", "0,4,,FFFFFFFF" + std::string(250, ' '));
  EXPECT_EQ("{E436EB88-524F-11CE-9F53-0020AF0BA770}", GuidText(Detect(Riff("AVI "))));
  // Exactly 256 bytes, the terminator included, is still read.
  setValue(own, "0", "0,4,,FFFFFFFF" + std::string(242, ' '));
  EXPECT_EQ(kOwn, GuidText(Detect(Riff("AVI "))));

  // A matching key whose name is no GUID is passed over.
  HKEY notGuid = addKey("0-not-a-guid");
  setValue(notGuid, "0", "0,4,,52494646");
  EXPECT_EQ(kOwn, GuidText(Detect(Riff("AVI "))));
  RegCloseKey(notGuid);
  RegCloseKey(own);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(types, "0-not-a-guid"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(types, kOwn));
  RegCloseKey(types);
  EXPECT_EQ("{E436EB88-524F-11CE-9F53-0020AF0BA770}", GuidText(Detect(Riff("AVI "))));
}

// Files written by the ffmpeg tool in each container the platform's splitter
// opens are recognised as their registered subtype.
TEST(CheckBytesTest, RegisteredCheckBytesRecogniseRealContainers) {
  tavorin::test::TempDir dir;
  struct Case {
    const char* file;
    const char* options;
    const char* subtype;
  };
  const Case cases[] = {
      {"a.avi", "-c:v mjpeg -c:a pcm_s16le", "{E436EB88-524F-11CE-9F53-0020AF0BA770}"},
      {"a.wav", "-vn -c:a pcm_s16le", "{E436EB8B-524F-11CE-9F53-0020AF0BA770}"},
      {"a.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", "{E436EB84-524F-11CE-9F53-0020AF0BA770}"},
      {"a.vob", "-c:v mpeg2video -c:a mp2 -f vob", "{E06D8022-DB46-11CF-B4D1-00805F6CBBEA}"},
      {"a.ts", "-c:v mpeg2video -c:a mp2 -f mpegts", "{E06D8023-DB46-11CF-B4D1-00805F6CBBEA}"},
      {"a.mp4", "-c:v mpeg4 -c:a aac", "{08E22ADA-B715-45ED-9D20-7B87750301D4}"},
      {"a.mkv", "-c:v mjpeg -c:a pcm_s16le", "{1AC0BEBD-4D2B-45AD-BCEB-F2C41C5E3788}"},
      {"a.webm", "-c:v libvpx -c:a libvorbis", "{1AC0BEBD-4D2B-45AD-BCEB-F2C41C5E3788}"},
      {"a.ogg", "-vn -c:a libvorbis", "{D2855FA9-61A7-4DB0-B979-71F297C17A04}"},
      {"a.asf", "-c:v wmv2 -c:a wmav2", "{3DB80F90-9412-11D1-ADED-0000F8754B99}"},
      {"a.flv", "-c:v flv -c:a pcm_s16le", "{F2FAC0F1-3852-4670-AAC0-9051D400AC54}"},
  };
  for (const Case& c : cases) {
    std::string path = dir.File(c.file);
    std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=25:duration=0.3 "
        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=0.3 " +
        std::string(c.options) + " '" + path + "'";
    ASSERT_EQ(0, std::system(command.c_str())) << command;
    ComPtr<IReadAccesser> stream;
    ASSERT_EQ(S_OK, OpenReadAccesser(stream.ReleaseAndGetAddressOf(), path.c_str()));
    EXPECT_EQ(c.subtype, GuidText(DetectStreamSubtype(stream.Get()))) << c.file;
  }
  // QuickTime files from before the file-type atom start with a movie or
  // data atom.
  EXPECT_EQ("{E436EB89-524F-11CE-9F53-0020AF0BA770}",
            GuidText(Detect(std::string("\0\0\0\x08wide\0\0\0\x10mdat", 16))));
  EXPECT_EQ("{E436EB89-524F-11CE-9F53-0020AF0BA770}",
            GuidText(Detect(std::string("\0\0\x01\x00moov\0\0\0\x6cmvhd", 16))));
}

}  // namespace
