// Three equally sized textures used as a triple buffer between a movie
// decoder, which writes frames, and the drawing thread, which shows them.
#pragma once

#include <windows.h>

struct IDirect3DDevice9;
struct IDirect3DTexture9;

DECLARE_INTERFACE_ID(IMovieTexture, 0xA89BF99C, 0x664D, 0x4E40, 0x90, 0x3E, 0xD9, 0x4C, 0xC3, 0xED,
                     0xC6, 0xFF);

// The three textures rotate through the slots write, ready and display: the
// decoder writes into the write texture and commits it, the drawing thread
// takes the newest committed frame. The texture on display is never the one
// being written. Every operation is safe from any thread.
struct IMovieTexture : public IUnknown {
  virtual ~IMovieTexture() = default;

  // Makes three X8R8G8B8 managed textures of at least width × height, fitted
  // to the device (powers of two, square) when its caps demand it. Textures
  // that are already as large or larger are kept (S_OK, nothing changes).
  // Otherwise the old textures are dropped (holders of references keep
  // theirs) and the device's failure, if any, is returned; no textures exist
  // after a failure. Sizes below 1 give E_INVALIDARG.
  virtual HRESULT Allocate(int width, int height) = 0;
  // The display texture with a reference for the caller. When a frame was
  // committed since the last call it becomes the display texture first and
  // *updated (optional) is TRUE, otherwise FALSE. E_INVALIDARG while no
  // textures exist, E_POINTER for a null `texture`.
  virtual HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) = 0;
  // The texture to write the next frame into, with a reference for the
  // caller. E_INVALIDARG while no textures exist, E_POINTER for null.
  virtual HRESULT GetWriteTexture(IDirect3DTexture9** texture) = 0;
  // Publishes the write texture as the newest frame; a frame committed
  // before it and not yet taken is dropped (its texture is written next).
  virtual void Commit() = 0;
};

// Makes a movie texture on `device` (kept with one reference) with no
// textures until the first Allocate. E_INVALIDARG for a null device,
// E_POINTER for a null `out`; on failure `*out` is null.
HRESULT CreateMovieTexture(IMovieTexture** out, IDirect3DDevice9* device);
