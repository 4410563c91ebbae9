// One texture entry of a surface: its name and its texture reference.
#pragma once

#include <string>

#include <comobject.h>
#include <d3d9.h>

#include "IVeyaSurface.h"

// Owns the name and one texture reference behind the SurfaceTexture record
// that callers see. Entries are held by pointer so that the record's address
// stays put while the table around it changes.
class SurfaceTextureEntry {
 public:
  SurfaceTextureEntry() { m_record = {m_name.c_str(), nullptr}; }
  SurfaceTextureEntry(const SurfaceTextureEntry&) = delete;
  SurfaceTextureEntry& operator=(const SurfaceTextureEntry&) = delete;

  const SurfaceTexture* Record() const { return &m_record; }
  const std::string& Name() const { return m_name; }
  IDirect3DTexture9* Texture() const { return m_texture.Get(); }

  void SetName(std::string name) {
    m_name = std::move(name);
    m_record.name = m_name.c_str();
  }
  // Takes over the caller's reference, releasing the one held before.
  void SetTexture(IDirect3DTexture9* owned) {
    m_texture = tavorin::ComPtr<IDirect3DTexture9>(owned);
    m_record.texture = owned;
  }

 private:
  std::string m_name;
  tavorin::ComPtr<IDirect3DTexture9> m_texture;
  SurfaceTexture m_record;
};
