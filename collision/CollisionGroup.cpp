#include "collision/CollisionGroup.h"

#include "animation/ChunkName.h"

using tavorin::animation::MakeTag;
using tavorin::animation::RunReader;
using tavorin::animation::RunWriter;

namespace {

constexpr DWORD kTagName = MakeTag('N', 'A', 'M', 'E');
constexpr DWORD kTagId = MakeTag('I', 'D', ' ', ' ');
constexpr DWORD kTagSide = MakeTag('S', 'I', 'D', 'E');
constexpr DWORD kTagColor = MakeTag('C', 'O', 'L', 'R');

// Reads a fixed-width field: a sub-chunk shorter than the field fails, and
// bytes beyond it are skipped so the framing still holds.
template <class Read>
HRESULT ReadField(RunReader& in, DWORD size, DWORD width, Read read) {
  HRESULT hr = in.CheckPayload(size, width);
  if (FAILED(hr)) return hr;
  in.Announce(size);
  if (FAILED(hr = read())) return hr;
  return in.SkipRest(size, width);
}

}  // namespace

HRESULT CreateCollisionGroup(IVeyaCollisionGroup** out, WORD id, WORD index, IFileReader* reader,
                             DWORD length, DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  return tavorin::CreateComObject<CVeyaCollisionGroup>(out, id, index, reader, length, consumed);
}

HRESULT CVeyaCollisionGroup::Init(WORD id, WORD index, IFileReader* reader, DWORD length,
                                  DWORD* consumed) {
  m_id = id;
  m_index = index;
  return reader != nullptr ? ReadPayload(reader, length, consumed) : S_OK;
}

HRESULT CVeyaCollisionGroup::ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed) {
  RunReader in(reader, length);
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    switch (tag) {
      case kTagName:
        hr = tavorin::animation::ReadChunkName(in, size, &m_name);
        break;
      case kTagId:
        hr = ReadField(in, size, 2, [&] { return in.ReadU16(&m_id); });
        break;
      case kTagSide:
        hr = ReadField(in, size, 1, [&] { return in.ReadBytes(&m_side, 1); });
        break;
      case kTagColor:
        hr = ReadField(in, size, 16, [&] {
          HRESULT result = S_OK;
          for (float* channel : {&m_color.r, &m_color.g, &m_color.b, &m_color.a}) {
            if (SUCCEEDED(result)) result = in.ReadF32(channel);
          }
          return result;
        });
        break;
      default:
        hr = in.Skip(size);
        break;
    }
  }
  if (consumed != nullptr) *consumed = in.Consumed();
  return hr;
}

D3DXCOLOR* CVeyaCollisionGroup::GetColor(D3DXCOLOR* out) {
  if (out != nullptr) *out = m_color;
  return out;
}

HRESULT CVeyaCollisionGroup::SetName(const char* name) {
  return tavorin::animation::CopyName(name, &m_name);
}

void CVeyaCollisionGroup::SetColor(const D3DXCOLOR* color) {
  if (color != nullptr) m_color = *color;
}

HRESULT CVeyaCollisionGroup::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  tavorin::animation::WriteChunkName(out, kTagName, m_name.get());
  out.Header(kTagId, 2);
  out.U16(m_id);
  out.Header(kTagSide, 1);
  out.Bytes(&m_side, 1);
  out.Header(kTagColor, 16);
  for (float channel : {m_color.r, m_color.g, m_color.b, m_color.a}) out.F32(channel);
  *size = out.Written();
  return S_OK;
}
