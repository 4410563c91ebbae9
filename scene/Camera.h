// The scene camera behind IVeyaCamera.
#pragma once

#include <memory>

#include <comobject.h>

#include "IVeyaCamera.h"

class CVeyaCamera : public tavorin::ComObject<IVeyaCamera> {
 public:
  HRESULT Init(IFileReader* reader, DWORD length, DWORD* consumed);

  HRESULT SetName(const char* name) override;
  HRESULT SetFov(FLOAT fovy) override;
  HRESULT SetMotionIndex(SHORT index) override;
  const char* GetName() override { return m_name.get(); }
  FLOAT GetFov() override { return m_fovy; }
  SHORT GetMotionIndex() override { return m_motionIndex; }
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

  // π/3 as the single-precision value files carry (0x3F860A92).
  static constexpr FLOAT kDefaultFovy = 1.04719758f;

 private:
  HRESULT ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed);

  std::unique_ptr<char[]> m_name;
  FLOAT m_fovy = kDefaultFovy;
  SHORT m_motionIndex = -1;
};
