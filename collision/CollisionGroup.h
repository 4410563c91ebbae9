// The hit area behind IVeyaCollisionGroup.
#pragma once

#include <memory>

#include <comobject.h>

#include "IVeyaCollisionGroup.h"

class CVeyaCollisionGroup : public tavorin::ComObject<IVeyaCollisionGroup> {
 public:
  HRESULT Init(WORD id, WORD index, IFileReader* reader, DWORD length, DWORD* consumed);

  WORD GetId() override { return m_id; }
  WORD GetIndex() override { return m_index; }
  const char* GetName() override { return m_name.get(); }
  BYTE GetSide() override { return m_side; }
  D3DXCOLOR* GetColor(D3DXCOLOR* out) override;
  void SetIndex(WORD index) override { m_index = index; }
  HRESULT SetName(const char* name) override;
  void SetSide(BYTE side) override { m_side = side; }
  void SetColor(const D3DXCOLOR* color) override;
  HRESULT Serialize(IFileWriter* writer, DWORD* size) override;

 private:
  HRESULT ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed);

  WORD m_id = 0;
  WORD m_index = 0;
  std::unique_ptr<char[]> m_name;
  BYTE m_side = 0;
  D3DXCOLOR m_color{1.0f, 1.0f, 1.0f, 1.0f};
};
