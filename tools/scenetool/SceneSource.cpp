#include "tools/scenetool/SceneSource.h"

#include <cstdio>

#include "IPackManager.h"
#include "tools/scenetool/Failure.h"

namespace scenetool {
namespace {

using tavorin::ComPtr;

ComPtr<IPackManager> OpenPackManager() {
  ComPtr<IPackManager> manager;
  const HRESULT hr = CreatePackManager(manager.ReleaseAndGetAddressOf());
  if (FAILED(hr)) throw Failure("the resource factory failed: " + ResultText(hr));
  return manager;
}

}  // namespace

std::string ResultText(HRESULT hr) {
  struct Known {
    HRESULT code;
    const char* name;
  };
  static const Known kKnown[] = {{S_OK, "S_OK"},
                                 {E_FAIL, "E_FAIL"},
                                 {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
                                 {E_INVALIDARG, "E_INVALIDARG"},
                                 {E_ACCESSDENIED, "E_ACCESSDENIED"},
                                 {E_POINTER, "E_POINTER"},
                                 {E_NOINTERFACE, "E_NOINTERFACE"},
                                 {S_FINISHED, "finished"},
                                 {S_WRAPPED, "wrapped"}};
  char text[64];
  std::snprintf(text, sizeof(text), "0x%08X", unsigned(hr));
  for (const Known& known : kKnown) {
    if (known.code == hr) return std::string(text) + " (" + known.name + ")";
  }
  return text;
}

Bytes ReadSceneBytes(const std::string& name) {
  ComPtr<IPackManager> manager = OpenPackManager();
  ComPtr<IReadAccesser> stream;
  const HRESULT hr = manager->OpenFile(stream.ReleaseAndGetAddressOf(), name.c_str());
  if (FAILED(hr)) throw Failure("cannot open " + name + ": " + ResultText(hr));
  Bytes bytes;
  uint8_t piece[65536];
  for (DWORD got; (got = stream->Read(piece, sizeof(piece))) > 0;) {
    bytes.insert(bytes.end(), piece, piece + got);
  }
  return bytes;
}

ComPtr<IVeya2> LoadToolScene(const ToolDevice& device, const std::string& name) {
  ComPtr<IPackManager> manager = OpenPackManager();
  ComPtr<IVeya2> scene;
  const HRESULT hr = manager->LoadScene(scene.ReleaseAndGetAddressOf(), device.Device(),
                                        device.Shader(), name.c_str());
  if (FAILED(hr)) throw Failure(name + " does not load: " + ResultText(hr));
  return scene;
}

}  // namespace scenetool
