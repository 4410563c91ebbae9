// A program outside the project that uses the installed library: it reads
// its own source file through a loose-file stream and a buffered reader.
#include <cstdio>
#include <cstring>

#include <tavorin.h>

// The scene components a file holds besides layers: cameras, lights, the
// lip-sync and the blink, with the payload sizes of fresh ones.
static bool SceneComponentsStoreTheirSizes() {
  IVeyaCamera* camera = nullptr;
  IVeyaLight* light = nullptr;
  IVeyaLipsync* lipsync = nullptr;
  IVeyaBlink* blink = nullptr;
  DWORD sizes[4] = {1, 1, 1, 1};
  if (SUCCEEDED(CreateCamera(&camera, nullptr, 0, nullptr))) camera->Serialize(nullptr, &sizes[0]);
  if (SUCCEEDED(CreateLight(&light))) light->Serialize(nullptr, &sizes[1]);
  if (SUCCEEDED(CreateLipsync(&lipsync, nullptr, 0, nullptr)))
    lipsync->Serialize(nullptr, &sizes[2]);
  if (SUCCEEDED(CreateBlink(&blink, nullptr, 0, nullptr))) blink->Serialize(nullptr, &sizes[3]);
  const bool all = camera && light && lipsync && blink;
  if (camera) camera->Release();
  if (light) light->Release();
  if (lipsync) lipsync->Release();
  if (blink) blink->Release();
  return all && sizes[0] == 31 && sizes[1] == 0 && sizes[2] == 22 && sizes[3] == 26;
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  IPackManager* manager = nullptr;
  if (FAILED(CreatePackManager(&manager))) return 3;
  IFileReader* reader = nullptr;
  HRESULT hr = manager->OpenFileReader(&reader, argv[1], 4096);
  manager->Release();
  if (FAILED(hr)) return 4;
  reader->SetAutoRefill(TRUE);
  char line[256];
  LONG length = reader->ReadLine(line, sizeof line);
  reader->Release();
  if (length <= 0 || std::strncmp(line, "// A program outside", 20) != 0) return 5;
  if (!SceneComponentsStoreTheirSizes()) return 6;
  IVeyaLayer* layer = nullptr;
  if (FAILED(CreateLayer(&layer, 0, nullptr, nullptr, 0, nullptr))) return 7;
  layer->Release();
  IVeyaCollisionLayer* collisionLayer = nullptr;
  if (FAILED(CreateCollisionLayer(&collisionLayer, nullptr, 0, nullptr, nullptr, 0))) return 8;
  DWORD size = 0;
  collisionLayer->Serialize(nullptr, &size);
  collisionLayer->Release();
  if (size != 21) return 9;
  // A scene needs a device and a shading service before it reads anything.
  IVeya2* scene = nullptr;
  if (CreateVeya2(&scene, argv[1], nullptr, nullptr, nullptr) != E_INVALIDARG || scene) return 10;
  std::puts("consumer ok");
  return 0;
}
