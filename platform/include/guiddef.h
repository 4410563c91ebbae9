// GUIDs, interface and class identifiers.
#pragma once

#include <cstring>
#include "windef.h"

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
#define IID_NULL GUID_NULL
#define CLSID_NULL GUID_NULL

// The identifier of an interface type, so that generic code (the reference
// counting helper, smart pointers) can answer QueryInterface for it.
template <class Interface>
struct InterfaceId;

// Declares IID_<Interface> and binds it to the interface type.
#define DECLARE_INTERFACE_ID(Interface, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  struct Interface;                                                                \
  DEFINE_GUID(IID_##Interface, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8);         \
  template <>                                                                      \
  struct InterfaceId<Interface> {                                                  \
    static constexpr const IID& value = IID_##Interface;                           \
  }
