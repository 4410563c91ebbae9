// Skeleton joints: channel evaluation into matrices, the "MOTI" payload and
// the channel editing operations.
#include "animation/Motion.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "animation/CurveRun.h"
#include "animation/TrackIo.h"

using tavorin::ComPtr;
using namespace tavorin::animation;

namespace {

constexpr DWORD kTagName = MakeTag('N', 'A', 'M', 'E');
constexpr DWORD kTagRestPosition = MakeTag('R', 'S', 'T', 'P');
constexpr DWORD kTagRestDirection = MakeTag('R', 'S', 'T', 'D');
constexpr DWORD kTagInverseRest = MakeTag('I', 'R', 'M', 'T');
constexpr DWORD kTagPivot = MakeTag('P', 'I', 'V', 'T');
constexpr DWORD kTagParent = MakeTag('P', 'A', 'R', 'N');
constexpr DWORD kChannelTags[CVeyaMotion::kChannelCount] = {
    MakeTag('T', 'R', 'S', 'X'), MakeTag('T', 'R', 'S', 'Y'), MakeTag('T', 'R', 'S', 'Z'),
    MakeTag('R', 'O', 'T', 'X'), MakeTag('R', 'O', 'T', 'Y'), MakeTag('R', 'O', 'T', 'Z'),
    MakeTag('S', 'C', 'L', 'X'), MakeTag('S', 'C', 'L', 'Y'), MakeTag('S', 'C', 'L', 'Z')};

// Copying and pasting visit the rotation channels yaw first.
constexpr int kEditOrder[CVeyaMotion::kChannelCount] = {
    CVeyaMotion::kTranslationX, CVeyaMotion::kTranslationY, CVeyaMotion::kTranslationZ,
    CVeyaMotion::kRotationY,    CVeyaMotion::kRotationX,    CVeyaMotion::kRotationZ,
    CVeyaMotion::kScaleX,       CVeyaMotion::kScaleY,       CVeyaMotion::kScaleZ};

// No chain of parents or links can be longer than the motion table, whose
// indices are 16 bits wide.
constexpr int kMaxChain = 0xFFFF;

constexpr DWORD kVectorSize = 12;
constexpr DWORD kMatrixSize = 64;

int ChannelOfTag(DWORD tag) {
  for (int i = 0; i < CVeyaMotion::kChannelCount; ++i) {
    if (kChannelTags[i] == tag) return i;
  }
  return -1;
}

ComPtr<IVeyaMotion> Hold(IVeyaMotion* motion) {
  if (motion != nullptr) motion->AddRef();
  return ComPtr<IVeyaMotion>(motion);
}

float NeutralValue(int channel) {
  return channel >= CVeyaMotion::kScaleX ? 1.0f : 0.0f;
}

void WriteVector(RunWriter& out, DWORD tag, const D3DXVECTOR3& v) {
  out.Header(tag, kVectorSize);
  out.F32(v.x);
  out.F32(v.y);
  out.F32(v.z);
}

HRESULT ReadFloats(RunReader& in, DWORD size, float* values, DWORD count) {
  HRESULT hr = in.CheckPayload(size, 4 * count);
  if (FAILED(hr)) return hr;
  in.Announce(size);
  for (DWORD i = 0; i < count && SUCCEEDED(hr); ++i) hr = in.ReadF32(&values[i]);
  return SUCCEEDED(hr) ? in.SkipRest(size, 4 * count) : hr;
}

}  // namespace

CVeyaMotion::CVeyaMotion() {
  D3DXMatrixIdentity(&m_local);
  D3DXMatrixIdentity(&m_world);
  D3DXMatrixIdentity(&m_skin);
  D3DXMatrixIdentity(&m_inverseRest);
  D3DXMatrixIdentity(&m_link);
}

HRESULT CVeyaMotion::Init(WORD index, IFileReader* reader, DWORD length, DWORD* consumed) {
  m_index = index;
  if (consumed != nullptr) *consumed = 0;
  if (reader == nullptr) return S_OK;
  if (consumed == nullptr) return E_POINTER;
  return ReadPayload(reader, length, consumed);
}

HRESULT CreateMotion(IVeyaMotion** out, WORD index, IFileReader* reader, DWORD length,
                     DWORD* consumed) {
  return tavorin::CreateComObject<CVeyaMotion>(out, index, reader, length, consumed);
}

HRESULT CVeyaMotion::ReadName(RunReader& in, DWORD size) {
  // The declared size is only a claim: the name grows with the bytes that
  // really arrive, so a short file cannot make us allocate gigabytes.
  std::string text;
  char piece[4096];
  for (DWORD left = size; left > 0;) {
    DWORD count = std::min<DWORD>(left, sizeof piece);
    HRESULT hr = in.ReadBytes(piece, count);
    if (FAILED(hr)) return hr;
    text.append(piece, count);
    left -= count;
  }
  // One byte more than stored, so a name without its terminating zero still
  // ends.
  std::unique_ptr<char[]> name(new (std::nothrow) char[text.size() + 1]);
  if (!name) return E_OUTOFMEMORY;
  std::memcpy(name.get(), text.data(), text.size());
  name[text.size()] = '\0';
  m_name = std::move(name);
  return S_OK;
}

HRESULT CVeyaMotion::ReadPayload(IFileReader* reader, DWORD length, DWORD* consumed) {
  RunReader in(reader, length);
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    const int channel = ChannelOfTag(tag);
    if (channel >= 0) {
      if (size > in.Remaining()) {
        hr = E_FAIL;
        break;
      }
      DWORD used = 0;
      hr = ReadCurveTrack(reader, m_channels[channel], size, &used);
      in.Account(used);
      continue;
    }
    switch (tag) {
      case kTagName:
        if (FAILED(hr = in.CheckPayload(size, 0))) break;
        in.Announce(size);
        hr = ReadName(in, size);
        break;
      case kTagParent:
        if (FAILED(hr = in.CheckPayload(size, 2))) break;
        in.Announce(size);
        if (SUCCEEDED(hr = in.ReadU16(&m_parentIndex))) hr = in.SkipRest(size, 2);
        break;
      case kTagRestPosition:
        hr = ReadFloats(in, size, &m_restPosition.x, 3);
        break;
      case kTagRestDirection:
        hr = ReadFloats(in, size, &m_restDirection.x, 3);
        break;
      case kTagPivot:
        hr = ReadFloats(in, size, &m_pivot.x, 3);
        break;
      case kTagInverseRest:
        hr = ReadFloats(in, size, &m_inverseRest.m[0][0], 16);
        break;
      default:
        hr = in.Skip(size);
        break;
    }
  }
  *consumed = in.Consumed();
  return hr;
}

HRESULT CVeyaMotion::SetIndex(WORD index) {
  m_index = index;
  return S_OK;
}

HRESULT CVeyaMotion::SetName(const char* name) {
  if (name == nullptr) return E_POINTER;
  const size_t length = std::strlen(name);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy.get(), name, length + 1);
  m_name = std::move(copy);
  return S_OK;
}

void CVeyaMotion::BuildLocal() {
  D3DXMATRIX pivot, scale, rotation, translation;
  D3DXMatrixTranslation(&pivot, -m_pivot.x, -m_pivot.y, -m_pivot.z);
  D3DXMatrixTranslation(&translation, m_translation.x + m_translationOffset.x,
                        m_translation.y + m_translationOffset.y,
                        m_translation.z + m_translationOffset.z);
  D3DXMatrixRotationYawPitchRoll(&rotation, m_rotation.y + m_rotationOffset.y,
                                 m_rotation.x + m_rotationOffset.x,
                                 m_rotation.z + m_rotationOffset.z);
  D3DXMatrixScaling(&scale, m_scale.x * m_scaleFactor.x, m_scale.y * m_scaleFactor.y,
                    m_scale.z * m_scaleFactor.z);
  D3DXMatrixMultiply(&m_local, &pivot, &scale);
  D3DXMatrixMultiply(&m_local, &m_local, &rotation);
  D3DXMatrixMultiply(&m_local, &m_local, &translation);
}

HRESULT CVeyaMotion::Evaluate(INT frame) {
  if (m_linked) {
    const HRESULT hr = m_linked->Evaluate(frame);
    return FAILED(hr) ? hr : TakeLinkedLocal();
  }
  SetChannels([&](int i) {
    return m_channels[i].keyCount > 0 ? EvaluateCurve(m_channels[i], frame) : NeutralValue(i);
  });
  return S_OK;
}

HRESULT CVeyaMotion::EvaluateBlend(INT step, INT from, INT to, INT steps) {
  if (m_linked) {
    const HRESULT hr = m_linked->EvaluateBlend(step, from, to, steps);
    return FAILED(hr) ? hr : TakeLinkedLocal();
  }
  SetChannels([&](int i) {
    return EvaluateCurveBlend(m_channels[i], from, step, NeutralValue(i), to, steps);
  });
  return S_OK;
}

// A linked motion takes the other motion's local matrix through its link.
HRESULT CVeyaMotion::TakeLinkedLocal() {
  D3DXMATRIX linked;
  m_linked->GetLocalMatrix(&linked);
  D3DXMatrixMultiply(&m_local, &linked, &m_link);
  return S_OK;
}

HRESULT CVeyaMotion::UpdateWorld() {
  m_world = m_local;
  IVeyaMotion* ancestor = m_parent.Get();
  for (int depth = 0; ancestor != nullptr && depth < kMaxChain; ++depth) {
    D3DXMATRIX local;
    ancestor->GetLocalMatrix(&local);
    D3DXMatrixMultiply(&m_world, &m_world, &local);
    ancestor = ancestor->GetParent();
  }
  D3DXMatrixMultiply(&m_skin, &m_inverseRest, &m_world);
  return S_OK;
}

HRESULT CVeyaMotion::GetChannelMatrix(D3DXMATRIX* out) {
  if (out == nullptr) return E_POINTER;
  D3DXMATRIX rotation, translation;
  D3DXMatrixScaling(out, m_scale.x, m_scale.y, m_scale.z);
  D3DXMatrixRotationYawPitchRoll(&rotation, m_rotation.y, m_rotation.x, m_rotation.z);
  D3DXMatrixTranslation(&translation, m_translation.x, m_translation.y, m_translation.z);
  D3DXMatrixMultiply(out, out, &rotation);
  D3DXMatrixMultiply(out, out, &translation);
  return S_OK;
}

HRESULT CVeyaMotion::GetTranslation(D3DXVECTOR3* out) {
  if (m_linked) return m_linked->GetTranslation(out);
  return Get(out, m_translation);
}

HRESULT CVeyaMotion::GetRotation(D3DXVECTOR3* out) {
  if (m_linked) return m_linked->GetRotation(out);
  return Get(out, m_rotation);
}

HRESULT CVeyaMotion::GetScale(D3DXVECTOR3* out) {
  if (m_linked) return m_linked->GetScale(out);
  return Get(out, m_scale);
}

HRESULT CVeyaMotion::SetTranslationOffset(const D3DXVECTOR3* offset) {
  const HRESULT hr = Set(&m_translationOffset, offset);
  if (SUCCEEDED(hr) && m_linked) m_linked->SetTranslationOffset(offset);
  return hr;
}

HRESULT CVeyaMotion::SetRotationOffset(const D3DXVECTOR3* offset) {
  const HRESULT hr = Set(&m_rotationOffset, offset);
  if (SUCCEEDED(hr) && m_linked) m_linked->SetRotationOffset(offset);
  return hr;
}

HRESULT CVeyaMotion::SetScaleFactor(const D3DXVECTOR3* factor) {
  const HRESULT hr = Set(&m_scaleFactor, factor);
  if (SUCCEEDED(hr) && m_linked) m_linked->SetScaleFactor(factor);
  return hr;
}

HRESULT CVeyaMotion::SetParent(IVeyaMotion* parent) {
  // A parent chain that came back here would never end.
  IVeyaMotion* ancestor = parent;
  for (int depth = 0; ancestor != nullptr && depth <= kMaxChain; ++depth) {
    if (ancestor == static_cast<IVeyaMotion*>(this)) return E_INVALIDARG;
    ancestor = ancestor->GetParent();
  }
  if (ancestor != nullptr) return E_INVALIDARG;
  m_parent = Hold(parent);
  m_parentIndex = parent != nullptr ? parent->GetIndex() : 0xFFFF;
  return S_OK;
}

HRESULT CVeyaMotion::SetLinkedMotion(IVeyaMotion* motion) {
  // Evaluating a ring of links would recurse for ever.
  IVeyaMotion* link = motion;
  for (int depth = 0; link != nullptr && depth <= kMaxChain; ++depth) {
    if (link == static_cast<IVeyaMotion*>(this)) return E_INVALIDARG;
    link = link->GetLinkedMotion();
  }
  if (link != nullptr) return E_INVALIDARG;
  m_linked = Hold(motion);
  D3DXMatrixIdentity(&m_link);
  if (motion == nullptr) return S_OK;
  motion->SetTranslationOffset(&m_translationOffset);
  motion->SetRotationOffset(&m_rotationOffset);
  motion->SetScaleFactor(&m_scaleFactor);
  D3DXVECTOR3 rest(0, 0, 0);
  motion->GetRestPosition(&rest);
  D3DXMatrixTranslation(&m_link, m_restPosition.x - rest.x, m_restPosition.y - rest.y,
                        m_restPosition.z - rest.z);
  return S_OK;
}

HRESULT CVeyaMotion::TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* in) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  D3DXVec3TransformCoord(out, in, &m_skin);
  return S_OK;
}

HRESULT CVeyaMotion::ClearTracks() {
  for (CurveTrack& channel : m_channels) ClearCurveTrack(channel);
  return S_OK;
}

CurveTrack* CVeyaMotion::Channel(IVeyaMotion* motion, int channel) {
  switch (channel) {
    case kTranslationX:
      return motion->GetTrackTranslationX();
    case kTranslationY:
      return motion->GetTrackTranslationY();
    case kTranslationZ:
      return motion->GetTrackTranslationZ();
    case kRotationX:
      return motion->GetTrackRotationX();
    case kRotationY:
      return motion->GetTrackRotationY();
    case kRotationZ:
      return motion->GetTrackRotationZ();
    case kScaleX:
      return motion->GetTrackScaleX();
    case kScaleY:
      return motion->GetTrackScaleY();
    default:
      return motion->GetTrackScaleZ();
  }
}

float CVeyaMotion::ChannelOffset(IVeyaMotion* source, int channel) {
  if (channel > kTranslationZ) return 0.0f;
  D3DXVECTOR3 rest(0, 0, 0);
  source->GetRestPosition(&rest);
  const D3DXVECTOR3 offset = m_restPosition - rest;
  return channel == kTranslationX ? offset.x : channel == kTranslationY ? offset.y : offset.z;
}

HRESULT CVeyaMotion::CopyTracks(IVeyaMotion* source) {
  if (source == nullptr) return E_POINTER;
  for (int channel : kEditOrder) {
    const HRESULT hr = CopyCurveTrack(m_channels[channel], *Channel(source, channel),
                                      ChannelOffset(source, channel));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CVeyaMotion::PasteTracks(IVeyaMotion* source, INT at, INT from, INT to, DWORD mode) {
  if (source == nullptr) return E_POINTER;
  for (int channel : kEditOrder) {
    const HRESULT hr = PasteCurveTrack(m_channels[channel], *Channel(source, channel), at, from, to,
                                       mode, ChannelOffset(source, channel));
    if (FAILED(hr)) return hr;
  }
  return S_FALSE;
}

namespace {

// The sub-chunks before and after the channels, shared by both writers.
void WriteHead(RunWriter& out, const char* name, const D3DXVECTOR3& restPosition,
               const D3DXVECTOR3& restDirection, const D3DXMATRIX& inverseRest) {
  const DWORD nameSize = DWORD((name != nullptr ? std::strlen(name) : 0) + 1);
  out.Header(kTagName, nameSize);
  if (name != nullptr) {
    out.Bytes(name, nameSize);
  } else {
    out.Bytes("", 1);
  }
  WriteVector(out, kTagRestPosition, restPosition);
  WriteVector(out, kTagRestDirection, restDirection);
  out.Header(kTagInverseRest, kMatrixSize);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) out.F32(inverseRest.m[row][column]);
  }
}

void WriteTail(RunWriter& out, const D3DXVECTOR3& pivot, WORD parentIndex) {
  WriteVector(out, kTagPivot, pivot);
  out.Header(kTagParent, 2);
  out.U16(parentIndex);
}

}  // namespace

HRESULT CVeyaMotion::Serialize(IFileWriter* writer, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  WriteHead(out, m_name.get(), m_restPosition, m_restDirection, m_inverseRest);
  for (int i = 0; i < kChannelCount; ++i) {
    const CurveTrack& channel = m_channels[i];
    out.Header(kChannelTags[i], 38 + kCurveKeySize * channel.keyCount);
    WriteCurveRun(out, channel.keys.get(), channel.keyCount, channel.preBehavior,
                  channel.postBehavior, true, 0);
  }
  // The parent's index as it is now: the table may have been reordered since
  // the parent was set.
  WriteTail(out, m_pivot, m_parent ? m_parent->GetIndex() : WORD(0xFFFF));
  *size = out.Written();
  return S_OK;
}

HRESULT CVeyaMotion::SerializeRange(INT from, INT to, BOOL rebase, IFileWriter* writer,
                                    DWORD* size) {
  if (size == nullptr) return E_POINTER;
  RunWriter out(writer);
  WriteHead(out, m_name.get(), m_restPosition, m_restDirection, m_inverseRest);
  for (int i = 0; i < kChannelCount; ++i) {
    DWORD runSize = 0;
    SerializeCurveRange(m_channels[i], from, to, rebase, nullptr, &runSize);
    out.Header(kChannelTags[i], runSize);
    DWORD written = 0;
    SerializeCurveRange(m_channels[i], from, to, rebase, writer, &written);
    out.Account(written);
  }
  WriteTail(out, m_pivot, m_parentIndex);
  *size = out.Written();
  return S_OK;
}

HRESULT CVeyaMotion::PasteFromStream(INT at, INT from, INT to, DWORD mode, IFileReader* reader,
                                     DWORD length, DWORD* consumed) {
  if (consumed == nullptr) return E_POINTER;
  *consumed = 0;
  if (length == 0) return S_OK;
  if (reader == nullptr) return E_POINTER;
  RunReader in(reader, length);
  HRESULT hr = S_OK;
  while (SUCCEEDED(hr) && !in.AtEnd()) {
    DWORD tag = 0, size = 0;
    if (FAILED(hr = in.ReadHeader(&tag, &size))) break;
    const int channel = ChannelOfTag(tag);
    if (channel < 0) {
      hr = in.Skip(size);
      continue;
    }
    if (size > in.Remaining()) {
      hr = E_FAIL;
      break;
    }
    DWORD used = 0;
    hr = PasteCurveFromStream(reader, m_channels[channel], at, from, to, mode, size, &used);
    in.Account(used);
  }
  *consumed = in.Consumed();
  return hr;
}
