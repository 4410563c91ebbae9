// The texture renderer: a video renderer filter that copies every frame it
// is asked to show into the write texture of a movie texture.
#pragma once

#include <windows.h>

#include "IMovieTexture.h"

struct IDirect3DDevice9;
struct IDirect3DTexture9;

// The renderer's own face. It has no identifier: QueryInterface, AddRef and
// Release act on the filter as a whole, whose IBaseFilter is answered as
// usual. It is handed out only by CreateTextureRenderer.
struct ITRFilter : public IUnknown {
  // The connected video's width in size[0] and height in size[1] (0 before
  // a connection). S_OK; E_POINTER for null.
  virtual HRESULT GetVideoSize(int size[2]) = 0;
  // As IMovieTexture::GetTexture on the renderer's movie texture: the frame
  // to draw now with one reference for the caller. Drawing thread.
  virtual HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) = 0;
  // The renderer's movie texture with one reference for the caller.
  virtual IMovieTexture* GetMovieTexture() = 0;
};

// Makes a texture renderer that writes into `texture` (kept with one
// reference), or into a new movie texture on `device` when `texture` is
// null. It accepts only RGB32 video with a VIDEOINFOHEADER. On success
// `*out` holds one reference; on failure it is null and the movie texture's
// creation failure (or E_OUTOFMEMORY, E_POINTER for a null `out`) returns.
HRESULT CreateTextureRenderer(ITRFilter** out, IDirect3DDevice9* device, IMovieTexture* texture);
