// The time-format half of IMediaSeeking for objects that seek in media time
// (100 ns units) only: the graph manager and the splitter answer alike.
#pragma once

#include <dshow.h>

namespace tavorin::dshow::media_time {

inline bool IsMediaTime(const GUID* format) {
  return format != nullptr && *format == TIME_FORMAT_MEDIA_TIME;
}

// CheckCapabilities: keeps the asked bits that are `offered`; S_OK when all
// of them are, S_FALSE when some, E_FAIL when none.
inline HRESULT CheckCapabilities(DWORD offered, DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  DWORD wanted = *capabilities;
  *capabilities &= offered;
  if (*capabilities == wanted) return S_OK;
  return *capabilities != 0 ? S_FALSE : E_FAIL;
}

// IsFormatSupported and IsUsingTimeFormat.
inline HRESULT IsSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : S_FALSE;
}

// QueryPreferredFormat and GetTimeFormat.
inline HRESULT Preferred(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

// SetTimeFormat: media time is the only one there is to set.
inline HRESULT Set(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : E_INVALIDARG;
}

// ConvertTimeFormat: a null format means media time; nothing else converts.
inline HRESULT Convert(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                       const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  if ((targetFormat != nullptr && !IsMediaTime(targetFormat)) ||
      (sourceFormat != nullptr && !IsMediaTime(sourceFormat))) {
    return E_INVALIDARG;
  }
  *target = source;
  return S_OK;
}

}  // namespace tavorin::dshow::media_time
