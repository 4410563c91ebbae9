// DirectSound 8: the sound object, the primary buffer and secondary buffers,
// mixed in software into one audio output.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "unknwn.h"
#include "mmreg.h"

typedef const GUID* LPCGUID;

DECLARE_INTERFACE_ID(IDirectSound, 0x279AFA83, 0x4981, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B,
                     0xE5, 0x60);
DECLARE_INTERFACE_ID(IDirectSound8, 0xC50A7E93, 0xF395, 0x4834, 0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5,
                     0x09, 0x66);
DECLARE_INTERFACE_ID(IDirectSoundBuffer, 0x279AFA85, 0x4981, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF,
                     0x0B, 0xE5, 0x60);
DECLARE_INTERFACE_ID(IDirectSoundBuffer8, 0x6825A449, 0x7524, 0x4D82, 0x92, 0x0F, 0x50, 0xE3, 0x6A,
                     0xB3, 0xAB, 0x1E);

DEFINE_GUID(CLSID_DirectSound, 0x47d4d946, 0x62e8, 0x11cf, 0x93, 0xbc, 0x44, 0x45, 0x53, 0x54, 0x00,
            0x00);
DEFINE_GUID(CLSID_DirectSound8, 0x3901cc3f, 0x84b5, 0x4fa4, 0xba, 0x35, 0xaa, 0x81, 0x72, 0xb8,
            0xa0, 0x9b);
DEFINE_GUID(DSDEVID_DefaultPlayback, 0xDEF00000, 0x9C6D, 0x47ED, 0xAA, 0xF1, 0x4D, 0xDA, 0x8F, 0x2B,
            0x5C, 0x03);
DEFINE_GUID(DSDEVID_DefaultVoicePlayback, 0xDEF00002, 0x9C6D, 0x47ED, 0xAA, 0xF1, 0x4D, 0xDA, 0x8F,
            0x2B, 0x5C, 0x03);
#define DS3DALG_DEFAULT GUID_NULL

// Result codes.
#define _FACDS 0x878
#define MAKE_DSHRESULT(code) MAKE_HRESULT(1, _FACDS, code)
#define DS_OK S_OK
#define DSERR_ALLOCATED MAKE_DSHRESULT(10)
#define DSERR_CONTROLUNAVAIL MAKE_DSHRESULT(30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_DSHRESULT(50)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED MAKE_DSHRESULT(70)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_DSHRESULT(100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_DSHRESULT(120)
#define DSERR_ALREADYINITIALIZED MAKE_DSHRESULT(130)
#define DSERR_NOAGGREGATION CLASS_E_NOAGGREGATION
#define DSERR_BUFFERLOST MAKE_DSHRESULT(150)
#define DSERR_OTHERAPPHASPRIO MAKE_DSHRESULT(160)
#define DSERR_UNINITIALIZED MAKE_DSHRESULT(170)
#define DSERR_NOINTERFACE E_NOINTERFACE
#define DSERR_ACCESSDENIED E_ACCESSDENIED

// Device capabilities (DSCAPS::dwFlags).
#define DSCAPS_PRIMARYMONO 0x00000001
#define DSCAPS_PRIMARYSTEREO 0x00000002
#define DSCAPS_PRIMARY8BIT 0x00000004
#define DSCAPS_PRIMARY16BIT 0x00000008
#define DSCAPS_CONTINUOUSRATE 0x00000010
#define DSCAPS_EMULDRIVER 0x00000020
#define DSCAPS_CERTIFIED 0x00000040
#define DSCAPS_SECONDARYMONO 0x00000100
#define DSCAPS_SECONDARYSTEREO 0x00000200
#define DSCAPS_SECONDARY8BIT 0x00000400
#define DSCAPS_SECONDARY16BIT 0x00000800

#define DSBPLAY_LOOPING 0x00000001
#define DSBPLAY_LOCHARDWARE 0x00000002
#define DSBPLAY_LOCSOFTWARE 0x00000004
#define DSBPLAY_TERMINATEBY_TIME 0x00000008
#define DSBPLAY_TERMINATEBY_DISTANCE 0x00000010
#define DSBPLAY_TERMINATEBY_PRIORITY 0x00000020

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBSTATUS_LOCHARDWARE 0x00000008
#define DSBSTATUS_LOCSOFTWARE 0x00000010
#define DSBSTATUS_TERMINATED 0x00000020

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_CTRLFX 0x00000200
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000
#define DSBCAPS_LOCDEFER 0x00040000

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF
#define DSBPAN_LEFT -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBVOLUME_MAX 0
#define DSBVOLUME_MIN -10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000

#define DSSCL_NORMAL 1
#define DSSCL_PRIORITY 2
#define DSSCL_EXCLUSIVE 3
#define DSSCL_WRITEPRIMARY 4

typedef struct _DSCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwMinSecondarySampleRate;
  DWORD dwMaxSecondarySampleRate;
  DWORD dwPrimaryBuffers;
  DWORD dwMaxHwMixingAllBuffers;
  DWORD dwMaxHwMixingStaticBuffers;
  DWORD dwMaxHwMixingStreamingBuffers;
  DWORD dwFreeHwMixingAllBuffers;
  DWORD dwFreeHwMixingStaticBuffers;
  DWORD dwFreeHwMixingStreamingBuffers;
  DWORD dwMaxHw3DAllBuffers;
  DWORD dwMaxHw3DStaticBuffers;
  DWORD dwMaxHw3DStreamingBuffers;
  DWORD dwFreeHw3DAllBuffers;
  DWORD dwFreeHw3DStaticBuffers;
  DWORD dwFreeHw3DStreamingBuffers;
  DWORD dwTotalHwMemBytes;
  DWORD dwFreeHwMemBytes;
  DWORD dwMaxContigFreeHwMemBytes;
  DWORD dwUnlockTransferRateHwBuffers;
  DWORD dwPlayCpuOverheadSwBuffers;
  DWORD dwReserved1;
  DWORD dwReserved2;
} DSCAPS, *LPDSCAPS;
typedef const DSCAPS* LPCDSCAPS;

typedef struct _DSBCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwUnlockTransferRate;
  DWORD dwPlayCpuOverhead;
} DSBCAPS, *LPDSBCAPS;
typedef const DSBCAPS* LPCDSBCAPS;

// The description without the 3-D algorithm, still accepted by
// CreateSoundBuffer as its dwSize.
typedef struct _DSBUFFERDESC1 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
} DSBUFFERDESC1, *LPDSBUFFERDESC1;
typedef const DSBUFFERDESC1* LPCDSBUFFERDESC1;

typedef struct _DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
  GUID guid3DAlgorithm;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

// A sound buffer. Secondary buffers hold PCM (8- or 16-bit integer, or 32-bit
// float; mono or stereo; 100 Hz to 200 kHz) that the mixer plays from the play
// cursor; the primary buffer stands for the output itself. Every operation may
// be called from any thread.
struct IDirectSoundBuffer : IUnknown {
  // Fills *caps (dwSize must be sizeof(DSBCAPS)) with the creation flags,
  // DSBCAPS_LOCSOFTWARE added, and the size in bytes.
  virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) = 0;
  // The play cursor (the byte being heard) and the write cursor (the first
  // byte not yet taken by the mixer: writing there or later is safe). Either
  // pointer may be null, not both. A buffer that has played to its end
  // without looping reports 0.
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor) = 0;
  // Copies the buffer's format. With a null format, *sizeWritten receives the
  // size needed; otherwise sizeAllocated must hold a WAVEFORMATEX.
  virtual HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated,
                                              LPDWORD sizeWritten) = 0;
  // Attenuation in hundredths of a decibel (DSBVOLUME_MIN … 0); needs
  // DSBCAPS_CTRLVOLUME, else DSERR_CONTROLUNAVAIL.
  virtual HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) = 0;
  // Pan in hundredths of a decibel (DSBPAN_LEFT … DSBPAN_RIGHT); needs
  // DSBCAPS_CTRLPAN.
  virtual HRESULT STDMETHODCALLTYPE GetPan(LPLONG pan) = 0;
  // Playback rate in samples per second; needs DSBCAPS_CTRLFREQUENCY.
  virtual HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) = 0;
  // DSBSTATUS_PLAYING, DSBSTATUS_LOOPING (and DSBSTATUS_LOCSOFTWARE for a
  // playing DSBCAPS_LOCDEFER buffer). Buffers are never lost.
  virtual HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) = 0;
  // Gives write access to `bytes` bytes from `offset` (the write cursor with
  // DSBLOCK_FROMWRITECURSOR, the whole size with DSBLOCK_ENTIREBUFFER). A
  // range that passes the end continues at the start of the buffer as the
  // second region (null and 0 when there is none, or when audioPtr2 is
  // null). The regions hold the current contents; what is written reaches
  // the buffer at Unlock. The primary buffer cannot be locked
  // (DSERR_PRIOLEVELNEEDED).
  virtual HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1,
                                         LPDWORD audioBytes1, LPVOID* audioPtr2,
                                         LPDWORD audioBytes2, DWORD flags) = 0;
  // Starts playing from the play cursor; DSBPLAY_LOOPING wraps at the end,
  // otherwise the buffer stops there. Playing again only changes the flags.
  // reserved1 and priority must be 0. The primary buffer needs
  // DSBPLAY_LOOPING. Before SetCooperativeLevel: DSERR_PRIOLEVELNEEDED.
  virtual HRESULT STDMETHODCALLTYPE Play(DWORD reserved1, DWORD priority, DWORD flags) = 0;
  // Moves the play cursor of a secondary buffer (below its size).
  virtual HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD newPosition) = 0;
  // Primary buffer only, at DSSCL_PRIORITY: sets the format it reports. The
  // output keeps mixing at its own rate.
  virtual HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) = 0;
  // Needs DSBCAPS_CTRLVOLUME; DSBVOLUME_MIN is silence. On the primary buffer
  // it scales the whole mix.
  virtual HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) = 0;
  // Needs DSBCAPS_CTRLPAN: a positive pan attenuates the left channel by pan
  // hundredths of a decibel, a negative one the right channel.
  virtual HRESULT STDMETHODCALLTYPE SetPan(LONG pan) = 0;
  // Needs DSBCAPS_CTRLFREQUENCY: DSBFREQUENCY_MIN … DSBFREQUENCY_MAX, or
  // DSBFREQUENCY_ORIGINAL for the format's rate.
  virtual HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) = 0;
  // Stops playing; the play cursor stays where it is.
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  // Commits audioBytes1 bytes of the first region and audioBytes2 of the
  // second, given as Lock returned them.
  virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2,
                                           DWORD audioBytes2) = 0;
  // Buffers live in memory and are never lost: always DS_OK.
  virtual HRESULT STDMETHODCALLTYPE Restore() = 0;

 protected:
  virtual ~IDirectSoundBuffer() = default;
};

// A secondary buffer answers for IDirectSoundBuffer8 too; effects are not
// offered.
struct IDirectSoundBuffer8 : IDirectSoundBuffer {
 protected:
  ~IDirectSoundBuffer8() override = default;
};

typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer** LPLPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;

// The sound object: one per caller, all mixed into the one output of the
// process. Every operation may be called from any thread.
struct IDirectSound : IUnknown {
  // Creates a primary buffer (DSBCAPS_PRIMARYBUFFER, no size, no format;
  // the primary buffers of one sound object share one state) or a secondary
  // buffer (a format and DSBSIZE_MIN … DSBSIZE_MAX bytes, rounded down to
  // whole sample frames, starting as silence). Buffers play only once
  // SetCooperativeLevel was called. 3-D and effects buffers, and hardware
  // location, are DSERR_UNSUPPORTED. On failure *buffer is null.
  virtual HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc,
                                                      LPDIRECTSOUNDBUFFER* buffer,
                                                      LPUNKNOWN outer) = 0;
  // Fills *caps (dwSize must be sizeof(DSCAPS)): software mixing of any rate.
  virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) = 0;
  // A new secondary buffer that shares the original's samples and starts
  // with its format, volume, pan and frequency, stopped at position 0.
  virtual HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                         LPDIRECTSOUNDBUFFER* duplicate) = 0;
  // DSSCL_NORMAL, DSSCL_PRIORITY or DSSCL_EXCLUSIVE (treated as priority);
  // DSSCL_WRITEPRIMARY is DSERR_UNSUPPORTED. The window is not used: sound
  // stays audible whatever has the focus.
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) = 0;

 protected:
  virtual ~IDirectSound() = default;
};

struct IDirectSound8 : IDirectSound {
 protected:
  ~IDirectSound8() override = default;
};

typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSound8* LPDIRECTSOUND8;

// Creates a sound object on the default playback device (device null,
// GUID_NULL, DSDEVID_DefaultPlayback or DSDEVID_DefaultVoicePlayback; any
// other identifier is DSERR_NODRIVER). The first object of the process opens
// the audio output; when no audio device can be opened, sound is mixed into a
// silent output that still runs in real time. DSERR_OUTOFMEMORY when not
// even that output can start (no thread for it); a later call tries again.
// On failure *directSound is null.
HRESULT WINAPI DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, LPUNKNOWN outer);
