#include <cstdio>
#include <utility>

#include "app/TesterApp.h"

namespace {

constexpr char kErrorCaption[] = "Error!!";
constexpr char kChipName[] = "Chip.bmp";
constexpr LONG kChipWidth = 242;
constexpr LONG kChipRowHeight = 21;
constexpr float kChipX = 530.0f;
constexpr float kChipY = 570.0f;
constexpr RECT kMovieSource = {0, 0, 800, 600};
// The graph state of a movie still playing.
constexpr int kRunning = 2;

template <class Interface>
void ReleaseField(Interface*& field) {
  if (Interface* held = std::exchange(field, nullptr)) held->Release();
}

HRESULT Fail(TesterApp* app, const char* message, HRESULT hr) {
  MessageBoxA(app->window, message, kErrorCaption, MB_ICONERROR);
  return hr;
}

HRESULT LoadChip(TesterApp* app) {
  IDirect3DDevice9* device = app->directX->GetDevice();
  HRESULT hr = app->packManager->LoadTexture(&app->chipTexture, device, kChipName, nullptr);
  if (device) device->Release();
  return hr;
}

HRESULT OpenPlayers(TesterApp* app, IDirect3DDevice9* device, IMovieTexture* texture) {
  for (int i = 0; i < 2; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Test%d.avi", i);
    IReadAccesser* stream = nullptr;
    HRESULT hr = app->packManager->OpenFile(&stream, name);
    if (FAILED(hr)) return hr;
    hr = CreateTextureMoviePlayer(&app->players[i], device, texture, stream);
    stream->Release();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Starts the movie `app->current` from its beginning, once.
void StartCurrent(TesterApp* app) {
  IMoviePlayer* player = app->players[app->current];
  player->QueryInterface(IID_IMoviePlayerTexture, reinterpret_cast<void**>(&app->currentPicture));
  player->SetPosition(0);
  player->Play(1);
}

HRESULT LoadMovies(TesterApp* app) {
  IDirect3DDevice9* device = app->directX->GetDevice();
  IMovieTexture* texture = nullptr;
  HRESULT hr = CreateMovieTexture(&texture, device);
  if (SUCCEEDED(hr)) hr = OpenPlayers(app, device, texture);
  if (texture) texture->Release();
  if (device) device->Release();
  if (FAILED(hr)) return hr;
  app->current = 0;
  app->players[0]->QueryInterface(IID_IMoviePlayerTexture,
                                  reinterpret_cast<void**>(&app->currentPicture));
  app->players[0]->Play(1);
  return S_OK;
}

}  // namespace

HRESULT StartUpSequence(TesterApp* app) {
  HRESULT hr = CreatePackManager(&app->packManager);
  if (FAILED(hr)) return Fail(app, "パックファイルのオープンに失敗しました", hr);
  hr = LoadChip(app);
  if (FAILED(hr)) return Fail(app, "画像のロードに失敗しました", hr);
  hr = LoadMovies(app);
  if (FAILED(hr)) return Fail(app, "ムービーのロードに失敗しました", hr);
  return S_OK;
}

bool SequenceStep(TesterApp* app) {
  IMoviePlayer* player = app->players[app->current];
  if (player == nullptr) return true;
  int state = 0;
  player->GetState(&state);
  if (state == kRunning) return true;
  ReleaseField(app->currentPicture);
  if (++app->current >= 2) {
    app->current = 0;
    app->roundDone = TRUE;
  }
  StartCurrent(app);
  return true;
}

void DrawSequence(TesterApp* app, IDirect3DDevice9* device) {
  if (app->currentPicture != nullptr) {
    IDirect3DTexture9* texture = nullptr;
    app->currentPicture->GetTexture(&texture, nullptr);
    DrawTexturedRect(&kMovieSource, texture, device, 0.0f, 0.0f);
    if (texture) texture->Release();
  }
  LONG top = app->roundDone ? 2 * kChipRowHeight : app->current != 0 ? kChipRowHeight : 0;
  RECT chip = {0, top, kChipWidth, top + kChipRowHeight};
  DrawTexturedRect(&chip, app->chipTexture, device, kChipX, kChipY);
}

void ReleaseSequence(TesterApp* app) {
  ReleaseField(app->players[0]);
  ReleaseField(app->players[1]);
  ReleaseField(app->currentPicture);
  ReleaseField(app->chipTexture);
}
