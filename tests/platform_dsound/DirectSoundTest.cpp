#include "DSoundFixture.h"

namespace dsound_test {
namespace {

TEST(DSoundCreateTest, AcceptsTheDefaultDevicesOnly) {
  EXPECT_EQ(DSERR_INVALIDPARAM, DirectSoundCreate8(nullptr, nullptr, nullptr));

  IDirectSound8* sound = reinterpret_cast<IDirectSound8*>(1);
  const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DSERR_NODRIVER, DirectSoundCreate8(&other, &sound, nullptr));
  EXPECT_EQ(nullptr, sound);
  sound = reinterpret_cast<IDirectSound8*>(1);
  EXPECT_EQ(DSERR_NOAGGREGATION,
            DirectSoundCreate8(nullptr, &sound, reinterpret_cast<IUnknown*>(8)));
  EXPECT_EQ(nullptr, sound);

  for (const GUID* device : {&GUID_NULL, &DSDEVID_DefaultPlayback}) {
    ASSERT_EQ(DS_OK, DirectSoundCreate8(device, &sound, nullptr));
    IDirectSound* first = nullptr;
    ASSERT_EQ(DS_OK, sound->QueryInterface(IID_IDirectSound, reinterpret_cast<void**>(&first)));
    first->Release();
    EXPECT_EQ(0u, sound->Release());
  }
}

using DSoundObjectTest = SoundFixture;

TEST_F(DSoundObjectTest, CreateSoundBufferRefusesBadDescriptions) {
  WAVEFORMATEX format = Pcm(2, 16, 44100);
  IDirectSoundBuffer* buffer = nullptr;
  auto create = [&](DSBUFFERDESC desc) {
    buffer = reinterpret_cast<IDirectSoundBuffer*>(1);
    HRESULT hr = m_sound->CreateSoundBuffer(&desc, &buffer, nullptr);
    if (FAILED(hr)) {
      EXPECT_EQ(nullptr, buffer);
    } else if (buffer != nullptr) {
      buffer->Release();
    }
    return hr;
  };
  DSBUFFERDESC good = Description(0, 1000, &format);
  EXPECT_EQ(DS_OK, create(good));

  EXPECT_EQ(DSERR_INVALIDPARAM, m_sound->CreateSoundBuffer(nullptr, &buffer, nullptr));
  EXPECT_EQ(DSERR_INVALIDPARAM, m_sound->CreateSoundBuffer(&good, nullptr, nullptr));
  EXPECT_EQ(DSERR_NOAGGREGATION,
            m_sound->CreateSoundBuffer(&good, &buffer, reinterpret_cast<IUnknown*>(8)));

  DSBUFFERDESC desc = good;
  desc.dwSize = 12;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc = good;
  desc.dwBufferBytes = 0;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc.dwBufferBytes = DSBSIZE_MAX + 1;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc = good;
  desc.lpwfxFormat = nullptr;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc = good;
  desc.dwFlags = 0x80000000u;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc.dwFlags = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE;
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc.dwFlags = DSBCAPS_CTRL3D;
  EXPECT_EQ(DSERR_UNSUPPORTED, create(desc));

  // Formats the mixer cannot read.
  for (WAVEFORMATEX bad : {Pcm(2, 24, 44100), Pcm(3, 16, 44100), Pcm(0, 16, 44100), Pcm(2, 16, 50),
                           Pcm(2, 16, 300000)}) {
    desc = Description(0, 1000, &bad);
    EXPECT_EQ(DSERR_BADFORMAT, create(desc));
  }
  WAVEFORMATEX misaligned = format;
  misaligned.nBlockAlign = 3;
  desc = Description(0, 1000, &misaligned);
  EXPECT_EQ(DSERR_BADFORMAT, create(desc));

  // The primary buffer takes neither a size nor a format.
  desc = Description(DSBCAPS_PRIMARYBUFFER, 1000, nullptr);
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
  desc = Description(DSBCAPS_PRIMARYBUFFER, 0, &format);
  EXPECT_EQ(DSERR_INVALIDPARAM, create(desc));
}

TEST_F(DSoundObjectTest, BuffersOfTheSoundPlayerAndTheManagerAreAccepted) {
  // The streaming player: two seconds, every control, 32-bit record size.
  WAVEFORMATEX format = Pcm(2, 16, 44100);
  DSBUFFERDESC desc = Description(0x581E2, 2 * format.nAvgBytesPerSec, &format);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(DS_OK, m_sound->CreateSoundBuffer(&desc, &buffer, nullptr));
  IDirectSoundBuffer8* buffer8 = nullptr;
  ASSERT_EQ(DS_OK,
            buffer->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&buffer8)));
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(DS_OK, buffer8->GetCaps(&caps));
  EXPECT_EQ(2 * format.nAvgBytesPerSec, caps.dwBufferBytes);
  EXPECT_EQ(DWORD(0x581E2), caps.dwFlags & 0x581E2);
  WAVEFORMATEX read{};
  DWORD written = 0;
  ASSERT_EQ(DS_OK, buffer8->GetFormat(&read, sizeof read, &written));
  EXPECT_EQ(sizeof(WAVEFORMATEX), written);
  EXPECT_EQ(0, std::memcmp(&format, &read, sizeof read));
  buffer8->Release();
  buffer->Release();

  // The manager: a primary buffer described with the 36-byte record.
  desc = Description(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME, 0, nullptr);
  desc.dwSize = 36;
  ASSERT_EQ(DS_OK, m_sound->CreateSoundBuffer(&desc, &buffer, nullptr));
  LONG volume = 1;
  ASSERT_EQ(DS_OK, buffer->GetVolume(&volume));
  EXPECT_EQ(0, volume);
  ASSERT_EQ(DS_OK, buffer->Play(0, 0, DSBPLAY_LOOPING));
  DWORD status = 0;
  ASSERT_EQ(DS_OK, buffer->GetStatus(&status));
  EXPECT_EQ(DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), status);
  // Its cursors follow the output: 480 frames of 16-bit stereo later.
  DWORD before = 0;
  DWORD after = 0;
  ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&before, nullptr));
  Mix(480);
  ASSERT_EQ(DS_OK, buffer->GetCurrentPosition(&after, nullptr));
  ASSERT_EQ(DS_OK, buffer->GetCaps(&caps));
  EXPECT_EQ(480u * 4, (after + caps.dwBufferBytes - before) % caps.dwBufferBytes);
  buffer->Release();
}

TEST_F(DSoundObjectTest, PrimaryFormatNeedsPriorityLevel) {
  DSBUFFERDESC desc = Description(DSBCAPS_PRIMARYBUFFER, 0, nullptr);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(DS_OK, m_sound->CreateSoundBuffer(&desc, &primary, nullptr));
  WAVEFORMATEX format = Pcm(2, 16, 22050);

  ASSERT_EQ(DS_OK, m_sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL));
  EXPECT_EQ(DSERR_PRIOLEVELNEEDED, primary->SetFormat(&format));
  ASSERT_EQ(DS_OK, m_sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY));
  EXPECT_EQ(DSERR_INVALIDPARAM, primary->SetFormat(nullptr));
  WAVEFORMATEX bad = Pcm(2, 12, 22050);
  EXPECT_EQ(DSERR_BADFORMAT, primary->SetFormat(&bad));
  ASSERT_EQ(DS_OK, primary->SetFormat(&format));
  WAVEFORMATEX read{};
  ASSERT_EQ(DS_OK, primary->GetFormat(&read, sizeof read, nullptr));
  EXPECT_EQ(0, std::memcmp(&format, &read, sizeof read));

  // What a primary buffer cannot do.
  void* p1 = nullptr;
  DWORD n1 = 0;
  EXPECT_EQ(DSERR_PRIOLEVELNEEDED, primary->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0));
  EXPECT_EQ(DSERR_INVALIDCALL, primary->SetCurrentPosition(0));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, primary->SetVolume(-100));
  EXPECT_EQ(DSERR_INVALIDPARAM, primary->Play(0, 0, 0));
  IDirectSoundBuffer* copy = reinterpret_cast<IDirectSoundBuffer*>(1);
  EXPECT_EQ(DSERR_INVALIDCALL, m_sound->DuplicateSoundBuffer(primary, &copy));
  EXPECT_EQ(nullptr, copy);

  EXPECT_EQ(DSERR_UNSUPPORTED, m_sound->SetCooperativeLevel(nullptr, DSSCL_WRITEPRIMARY));
  EXPECT_EQ(DSERR_INVALIDPARAM, m_sound->SetCooperativeLevel(nullptr, 0));
  primary->Release();
}

TEST_F(DSoundObjectTest, ControlsCheckTheirCapabilityAndRange) {
  const DWORD all = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
  IDirectSoundBuffer* plain = Create(0, 400, Pcm(1, 16, 22050));
  IDirectSoundBuffer* controlled = Create(all, 400, Pcm(1, 16, 22050));
  ASSERT_NE(nullptr, plain);
  ASSERT_NE(nullptr, controlled);
  LONG value = 0;
  DWORD frequency = 0;

  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->SetVolume(-100));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->GetVolume(&value));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->SetPan(100));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->GetPan(&value));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->SetFrequency(44100));
  EXPECT_EQ(DSERR_CONTROLUNAVAIL, plain->GetFrequency(&frequency));

  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetVolume(1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetVolume(DSBVOLUME_MIN - 1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetPan(DSBPAN_RIGHT + 1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetPan(DSBPAN_LEFT - 1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetFrequency(DSBFREQUENCY_MIN - 1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetFrequency(DSBFREQUENCY_MAX + 1));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->GetVolume(nullptr));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->GetStatus(nullptr));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->GetCurrentPosition(nullptr, nullptr));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->SetCurrentPosition(400));
  EXPECT_EQ(DSERR_INVALIDCALL, controlled->SetFormat(nullptr));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->Play(1, 0, 0));
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->Play(0, 1, 0));
  DSBCAPS caps{};
  EXPECT_EQ(DSERR_INVALIDPARAM, controlled->GetCaps(&caps));

  ASSERT_EQ(DS_OK, controlled->SetVolume(-2500));
  ASSERT_EQ(DS_OK, controlled->SetPan(-1200));
  ASSERT_EQ(DS_OK, controlled->GetVolume(&value));
  EXPECT_EQ(-2500, value);
  ASSERT_EQ(DS_OK, controlled->GetPan(&value));
  EXPECT_EQ(-1200, value);
  ASSERT_EQ(DS_OK, controlled->GetFrequency(&frequency));
  EXPECT_EQ(22050u, frequency);
}

TEST(DSoundLevelTest, PlayNeedsACooperativeLevel) {
  IDirectSound8* sound = nullptr;
  ASSERT_EQ(DS_OK, DirectSoundCreate8(nullptr, &sound, nullptr));
  WAVEFORMATEX format = Pcm(1, 16, 22050);
  DSBUFFERDESC desc = Description(0, 400, &format);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(DS_OK, sound->CreateSoundBuffer(&desc, &buffer, nullptr));
  EXPECT_EQ(DSERR_PRIOLEVELNEEDED, buffer->Play(0, 0, 0));
  ASSERT_EQ(DS_OK, sound->SetCooperativeLevel(nullptr, DSSCL_NORMAL));
  EXPECT_EQ(DS_OK, buffer->Play(0, 0, 0));
  // A buffer outlives the sound object that made it.
  sound->Release();
  EXPECT_EQ(DS_OK, buffer->Stop());
  buffer->Release();
}

}  // namespace
}  // namespace dsound_test
