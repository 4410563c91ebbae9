// The archive directory: parsed once, sorted by name, looked up by bisection.
#pragma once

#include <memory>
#include <vector>

#include <IFileReader.h>
#include <IPackReader.h>
#include <comobject.h>

#include "pack/XorCode.h"

namespace tavorin::pack {

class CPackReader : public ComObject<IPackReader> {
 public:
  HRESULT Init(const char* path);

  DWORD GetFileCount() override;
  const PackEntry* GetEntry(DWORD index) override;
  BOOL Contains(const char* name) override;
  HRESULT OpenFile(IReadAccesser** out, const char* name) override;
  HRESULT OpenFileByIndex(IReadAccesser** out, DWORD index) override;

 private:
  class DirectoryParser;

  // The entry called `name`, or null.
  const PackEntry* Find(const char* name) const;

  char m_path[MAX_PATH] = {};
  BOOL m_masked = FALSE;
  BYTE m_code[kXorCodeSize] = {};
  std::vector<PackEntry> m_entries;
  std::vector<std::unique_ptr<char[]>> m_names;
};

}  // namespace tavorin::pack
