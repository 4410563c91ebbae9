// Scene cameras and their "CAM " payload.
#include "scene/Camera.h"

#include <cstring>
#include <new>
#include <string>

#include "animation/ChunkName.h"
#include "animation/HeldTrack.h"
#include "animation/TrackIo.h"

using namespace tavorin::animation;

namespace {

constexpr DWORD kTagName = MakeTag('N', 'A', 'M', 'E');
constexpr DWORD kTagFovy = MakeTag('F', 'O', 'V', 'Y');
constexpr DWORD kTagMotion = MakeTag('M', 'T', 'N', 'O');

// A stored name must end within its sub-chunk; an empty one means none.
HRESULT ReadName(RunReader& in, DWORD size, std::unique_ptr<char[]>* name) {
  const HRESULT hr = ReadChunkName(in, size, name);
  if (SUCCEEDED(hr) && (*name)[0] == '\0') name->reset();
  return hr;
}

}  // namespace

HRESULT CVeyaCamera::Init(IFileReader* reader, DWORD length, DWORD* consumed) {
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr) return S_OK;
  if (consumed == nullptr) return E_POINTER;
  return ReadPayload(reader, length, consumed);
}

HRESULT CreateCamera(IVeyaCamera** out, IFileReader* reader, DWORD length, DWORD* consumed) {
  return tavorin::CreateComObject<CVeyaCamera>(out, reader, length, consumed);
}

HRESULT CVeyaCamera::ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed) {
  RunReader in(reader, length);
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    switch (tag) {
      case kTagName:
        hr = ReadName(in, size, &m_name);
        break;
      case kTagFovy:
        hr = ReadField(in, size, 4, [&] { return in.ReadF32(&m_fovy); });
        break;
      case kTagMotion:
        hr = ReadField(in, size, 2, [&] {
          WORD index = 0;
          const HRESULT read = in.ReadU16(&index);
          m_motionIndex = SHORT(index);
          return read;
        });
        break;
      default:
        hr = in.Skip(size);
        break;
    }
  }
  *consumed = in.Consumed();
  return hr;
}

HRESULT CVeyaCamera::SetName(const char* name) {
  if (name == nullptr) {
    m_name.reset();
    return S_OK;
  }
  const size_t length = std::strlen(name);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy.get(), name, length + 1);
  m_name = std::move(copy);
  return S_OK;
}

HRESULT CVeyaCamera::SetFov(FLOAT fovy) {
  m_fovy = fovy;
  return S_OK;
}

HRESULT CVeyaCamera::SetMotionIndex(SHORT index) {
  m_motionIndex = index;
  return S_OK;
}

HRESULT CVeyaCamera::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  WriteChunkName(out, kTagName, m_name.get());
  out.Header(kTagFovy, 4);
  out.F32(m_fovy);
  out.Header(kTagMotion, 2);
  out.U16(WORD(m_motionIndex));
  *size = out.Written();
  return S_OK;
}
