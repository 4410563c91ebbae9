// A program outside the project that uses the installed library: it reads
// its own source file through a loose-file stream and a buffered reader.
#include <cstdio>
#include <cstring>

#include <tavorin.h>

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
  IVeyaCollisionLayer* layer = nullptr;
  if (FAILED(CreateCollisionLayer(&layer, nullptr, 0, nullptr, nullptr, 0))) return 6;
  DWORD size = 0;
  layer->Serialize(nullptr, &size);
  layer->Release();
  if (size != 21) return 7;
  std::puts("consumer ok");
  return 0;
}
