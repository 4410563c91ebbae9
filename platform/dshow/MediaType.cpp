// DirectShow base classes: media types and their format blocks.
#include <cstring>

#include <streams.h>

namespace {

void ClearMediaType(AM_MEDIA_TYPE* type) {
  std::memset(type, 0, sizeof(*type));
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = 1;
}

}  // namespace

void WINAPI FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0 || type.pbFormat != nullptr) CoTaskMemFree(type.pbFormat);
  type.cbFormat = 0;
  type.pbFormat = nullptr;
  if (type.pUnk != nullptr) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

void WINAPI DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == nullptr || source == nullptr) return E_POINTER;
  *target = *source;
  if (source->cbFormat != 0 && source->pbFormat != nullptr) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    if (target->pbFormat == nullptr) {
      target->cbFormat = 0;
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
  } else {
    target->cbFormat = 0;
    target->pbFormat = nullptr;
  }
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* source) {
  if (source == nullptr) return nullptr;
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type == nullptr) return nullptr;
  if (FAILED(CopyMediaType(type, source))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

CMediaType::CMediaType() {
  ClearMediaType(this);
}

CMediaType::CMediaType(const GUID* majorType) {
  ClearMediaType(this);
  majortype = *majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& type, HRESULT* result) {
  ClearMediaType(this);
  HRESULT hr = Set(type);
  if (result != nullptr && FAILED(hr)) *result = hr;
}

CMediaType::CMediaType(const CMediaType& type, HRESULT* result) : AM_MEDIA_TYPE() {
  ClearMediaType(this);
  HRESULT hr = Set(type);
  if (result != nullptr && FAILED(hr)) *result = hr;
}

CMediaType::~CMediaType() {
  FreeMediaType(*this);
}

CMediaType& CMediaType::operator=(const CMediaType& type) {
  Set(type);
  return *this;
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& type) {
  Set(type);
  return *this;
}

bool CMediaType::operator==(const CMediaType& type) const {
  return majortype == type.majortype && subtype == type.subtype && formattype == type.formattype &&
         cbFormat == type.cbFormat &&
         (cbFormat == 0 || std::memcmp(pbFormat, type.pbFormat, cbFormat) == 0);
}

HRESULT CMediaType::Set(const CMediaType& type) {
  return Set(static_cast<const AM_MEDIA_TYPE&>(type));
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& type) {
  if (&type == this) return S_OK;
  FreeMediaType(*this);
  HRESULT hr = CopyMediaType(this, &type);
  if (FAILED(hr)) ClearMediaType(this);
  return hr;
}

BOOL CMediaType::IsValid() const {
  return majortype != GUID_NULL;
}

ULONG CMediaType::GetSampleSize() const {
  return bFixedSizeSamples ? lSampleSize : 0;
}

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    SetVariableSize();
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

BOOL CMediaType::SetFormat(const BYTE* format, ULONG length) {
  if (length == 0) {
    ResetFormatBuffer();
    return TRUE;
  }
  BYTE* buffer = AllocFormatBuffer(length);
  if (buffer == nullptr) return FALSE;
  std::memcpy(buffer, format, length);
  return TRUE;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
  if (cbFormat == length && pbFormat != nullptr) {
    std::memset(pbFormat, 0, length);
    return pbFormat;
  }
  auto* buffer = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (buffer == nullptr) return nullptr;
  std::memset(buffer, 0, length);
  CoTaskMemFree(pbFormat);
  pbFormat = buffer;
  cbFormat = length;
  return buffer;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
  auto* buffer = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (buffer == nullptr) return nullptr;
  std::memset(buffer, 0, length);
  if (pbFormat != nullptr) std::memcpy(buffer, pbFormat, cbFormat < length ? cbFormat : length);
  CoTaskMemFree(pbFormat);
  pbFormat = buffer;
  cbFormat = length;
  return buffer;
}

void CMediaType::ResetFormatBuffer() {
  CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

void CMediaType::InitMediaType() {
  FreeMediaType(*this);
  ClearMediaType(this);
}

BOOL CMediaType::MatchesPartial(const CMediaType* type) const {
  if (majortype != GUID_NULL && majortype != type->majortype) return FALSE;
  if (subtype != GUID_NULL && subtype != type->subtype) return FALSE;
  if (formattype != GUID_NULL) {
    if (formattype != type->formattype || cbFormat != type->cbFormat) return FALSE;
    if (cbFormat != 0 && std::memcmp(pbFormat, type->pbFormat, cbFormat) != 0) return FALSE;
  }
  return TRUE;
}

BOOL CMediaType::IsPartiallySpecified() const {
  return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}
