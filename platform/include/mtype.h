// Base classes: media types that own their format block.
#pragma once

#include "dshow.h"

// An AM_MEDIA_TYPE that frees its format block when it goes and deep-copies
// it when copied.
class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType();
  explicit CMediaType(const GUID* majorType);
  CMediaType(const AM_MEDIA_TYPE& type, HRESULT* result = nullptr);
  CMediaType(const CMediaType& type, HRESULT* result = nullptr);
  ~CMediaType();

  CMediaType& operator=(const CMediaType& type);
  CMediaType& operator=(const AM_MEDIA_TYPE& type);
  bool operator==(const CMediaType& type) const;
  bool operator!=(const CMediaType& type) const { return !(*this == type); }

  // Deep copy; E_OUTOFMEMORY leaves this type empty.
  HRESULT Set(const CMediaType& type);
  HRESULT Set(const AM_MEDIA_TYPE& type);
  // Whether a major type is set.
  BOOL IsValid() const;

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* type) { majortype = *type; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* type) { formattype = *type; }
  BOOL IsFixedSize() const { return bFixedSizeSamples; }
  BOOL IsTemporalCompressed() const { return bTemporalCompression; }
  ULONG GetSampleSize() const;
  void SetSampleSize(ULONG size);
  void SetVariableSize() { bFixedSizeSamples = FALSE; }
  void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  // Copies `length` bytes as the format block; FALSE when out of memory.
  BOOL SetFormat(const BYTE* format, ULONG length);
  // A zero-filled format block of `length` bytes (null when out of memory).
  BYTE* AllocFormatBuffer(ULONG length);
  BYTE* ReallocFormatBuffer(ULONG length);
  void ResetFormatBuffer();

  // Back to the empty type: no major type, fixed-size samples of size 1.
  void InitMediaType();
  // Whether this type, with GUID_NULL fields as wildcards, admits `type`.
  BOOL MatchesPartial(const CMediaType* type) const;
  // Whether the major type or subtype is left open.
  BOOL IsPartiallySpecified() const;
};

// Frees the format block (and pUnk) of `type`, leaving it without format.
void WINAPI FreeMediaType(AM_MEDIA_TYPE& type);
// FreeMediaType, then CoTaskMemFree of the record itself. Accepts null.
void WINAPI DeleteMediaType(AM_MEDIA_TYPE* type);
// A CoTaskMemAlloc'd deep copy of `source`; null when out of memory.
AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* source);
// Deep copy into `target` (whose old content is not freed).
HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
