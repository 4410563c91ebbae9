// The triple-buffered movie texture.
#pragma once

#include <IMovieTexture.h>
#include <comobject.h>

#include <mutex>

namespace tavorin::movie {

class CMovieTexture : public ComObject<IMovieTexture> {
 public:
  ~CMovieTexture() override;
  HRESULT Init(IDirect3DDevice9* device);

  HRESULT Allocate(int width, int height) override;
  HRESULT GetTexture(IDirect3DTexture9** texture, BOOL* updated) override;
  HRESULT GetWriteTexture(IDirect3DTexture9** texture) override;
  void Commit() override;

 private:
  void ReleaseTextures();
  void FitToDevice(int* width, int* height);

  IDirect3DDevice9* m_device = nullptr;
  // Guards the slots, the flag and the size only, never texture contents,
  // so the drawing thread waits at most a few instructions for the decoder.
  std::recursive_mutex m_textureLock;
  IDirect3DTexture9* m_write = nullptr;
  IDirect3DTexture9* m_ready = nullptr;
  IDirect3DTexture9* m_display = nullptr;
  bool m_newFrame = false;
  int m_width = 0;
  int m_height = 0;
};

}  // namespace tavorin::movie
