// Movie players: one movie, read as a byte stream, played through a filter
// graph, its frames picked up as Direct3D textures.
#pragma once

#include <windows.h>

#include "IMovieTexture.h"
#include "IReadAccesser.h"

struct IDirect3DDevice9;
struct IDirect3DTexture9;

DECLARE_INTERFACE_ID(IMoviePlayer, 0x123D9274, 0x8D57, 0x4C3A, 0xB3, 0x10, 0x40, 0x26, 0xFF, 0x1F,
                     0xEF, 0x04);
DECLARE_INTERFACE_ID(IMoviePlayerTexture, 0x81ED27F4, 0x6F21, 0x4778, 0x82, 0xA4, 0xF8, 0xBF, 0x73,
                     0x4B, 0xCD, 0x9E);

// Positions and durations are milliseconds. Graph states: 0 stopped,
// 1 paused, 2 running. The graph's results are passed back unchanged; a
// state change that does not complete within 10 s gives VFW_E_TIMEOUT.
// Operations may be called from any one thread; a worker thread of the
// player rewinds and restarts the movie for its passes.
struct IMoviePlayer : public IUnknown {
  virtual ~IMoviePlayer() = default;

  // Runs the movie `loopCount` times (0: endlessly) from where it stands,
  // then leaves it stopped at its end. E_FAIL when the worker cannot start.
  virtual HRESULT Play(int loopCount) = 0;
  // Pauses on the current frame; the pass count goes on after Play.
  virtual HRESULT Pause() = 0;
  // Ends the passes, stops and rewinds to 0 with the first frame shown.
  // S_OK and nothing else when no passes are under way.
  virtual HRESULT Stop() = 0;
  // Stops once the current frame is shown.
  virtual HRESULT StopWhenReady() = 0;
  // Seeks to `ms`; a running movie goes on running from there, a paused or
  // stopped one is left stopped there. The seek's result.
  virtual HRESULT SetPosition(int ms) = 0;
  // Volume and balance in hundredths of a decibel, as IBasicAudio takes them.
  virtual HRESULT SetVolume(long volume) = 0;
  virtual HRESULT SetBalance(long balance) = 0;
  // Playback rate, 1.0 normal.
  virtual HRESULT SetRate(double rate) = 0;
  // The graph's state now (may answer VFW_S_STATE_INTERMEDIATE).
  virtual HRESULT GetState(int* state) = 0;
  // Width in size[0], height in size[1].
  virtual HRESULT GetVideoSize(int size[2]) = 0;
  virtual HRESULT GetDuration(int* ms) = 0;
  virtual HRESULT GetPosition(int* ms) = 0;
  virtual HRESULT GetVolume(long* volume) = 0;
  virtual HRESULT GetBalance(long* balance) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
};

// The frames of a texture movie player; a second face of the player sharing
// its reference count.
struct IMoviePlayerTexture : public IUnknown {
  // The newest frame with one reference for the caller; *updated (optional)
  // is TRUE when it is new since the last call. E_INVALIDARG before the
  // first frame size is known. Drawing thread.
  virtual HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) = 0;
  // The movie texture frames are written into, with one reference.
  virtual IMovieTexture* GetMovieTexture() = 0;
};

// Makes a player of the movie in `stream` (the player keeps its own
// reference) whose frames go into `texture`, or into a movie texture of its
// own on `device` when `texture` is null; several players may share one
// texture. The graph is built, stopped at the start. On success `*out`
// holds one reference; on failure it is null and the graph building failure
// is returned (E_FAIL when the movie cannot be seeked, E_OUTOFMEMORY,
// E_POINTER for a null `out` or `stream`).
HRESULT CreateTextureMoviePlayer(IMoviePlayer** out, IDirect3DDevice9* device,
                                 IMovieTexture* texture, IReadAccesser* stream);
