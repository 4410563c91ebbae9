#include <new>

#include "app/TesterApp.h"

namespace {

constexpr char kClassName[] = "MAINWNDOW";
constexpr char kWindowTitle[] = "Tavorin テスター";
constexpr char kErrorCaption[] = "Error!!";
constexpr DWORD kWindowStyle = 0x12CA0000;  // visible, caption, system menu, minimise box
constexpr int kClientWidth = 800;
constexpr int kClientHeight = 600;

// The outer size that gives the fixed client area.
int OuterWidth() {
  return kClientWidth + 2 * GetSystemMetrics(SM_CXDLGFRAME);
}
int OuterHeight() {
  return kClientHeight + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

LRESULT CALLBACK TesterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* app = reinterpret_cast<TesterApp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (app != nullptr) {
    switch (message) {
      case WM_DESTROY:
        PostQuitMessage(0);
        break;
      case WM_SIZE:
        // The client area is fixed: any other size (minimising included) is
        // put back.
        if (LOWORD(lParam) != kClientWidth || HIWORD(lParam) != kClientHeight) {
          SetWindowPos(window, HWND_NOTOPMOST, 0, 0, OuterWidth(), OuterHeight(), SWP_NOMOVE);
        }
        break;
      default:
        if (app->keyControl) app->keyControl->HandleWindowMessage(window, message, wParam, lParam);
        break;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HRESULT CreateTesterWindow(TesterApp* app, HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = TesterWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "APPLICATIONICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = "";
  windowClass.lpszClassName = kClassName;
  // A second start-up in one process finds the class of the first.
  if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return E_FAIL;
  }
  app->window =
      CreateWindowExA(0, kClassName, kWindowTitle, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      OuterWidth(), OuterHeight(), nullptr, nullptr, instance, nullptr);
  return app->window ? S_OK : E_FAIL;
}

HRESULT StartDirectX(TesterApp* app, HINSTANCE instance) {
  DirectXManagerSettings settings{};
  settings.width = kClientWidth;
  settings.height = kClientHeight;
  settings.autoDepthStencil = TRUE;
  HRESULT hr = CreateDirectXManager(&app->directX, instance, app->window, &settings);
  if (FAILED(hr)) return hr;
  app->directX->SetDefaultRenderStates();

  IDirectInputDevice8A* keyboard = app->directX->GetKeyboardDevice();
  IDirectInputDevice8A* mouse = app->directX->GetMouseDevice();
  hr = CreateKeyState(&app->keyState, mouse, app->window, keyboard);
  if (keyboard) keyboard->Release();
  if (mouse) mouse->Release();
  if (FAILED(hr)) return hr;
  app->keyState->QueryInterface(IID_IKeyStateControl, reinterpret_cast<void**>(&app->keyControl));
  return S_OK;
}

template <class Interface>
void ReleaseField(Interface*& field) {
  if (field) field->Release();
  field = nullptr;
}

}  // namespace

HRESULT StartUpServices(TesterApp* app, HINSTANCE instance) {
  *app = TesterApp{};
  CoInitialize(nullptr);
  HRESULT hr = CreateTesterWindow(app, instance);
  if (FAILED(hr)) {
    MessageBoxA(nullptr, "ウィンドウの初期化に失敗しました", kErrorCaption, MB_ICONERROR);
    return hr;
  }
  hr = StartDirectX(app, instance);
  if (FAILED(hr)) {
    MessageBoxA(app->window, "DirectXの初期化に失敗しました", kErrorCaption, MB_ICONERROR);
    return hr;
  }
  return S_OK;
}

HRESULT StartUpTester(TesterApp* app, HINSTANCE instance) {
  HRESULT hr = StartUpServices(app, instance);
  if (FAILED(hr)) return hr;
  hr = StartUpSequence(app);
  if (FAILED(hr)) return hr;
  SetWindowLongPtrA(app->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
  return S_OK;
}

void TearDownTester(TesterApp* app) {
  ReleaseSequence(app);
  ReleaseField(app->directX);
  ReleaseField(app->keyState);
  ReleaseField(app->keyControl);
  ReleaseField(app->packManager);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  auto* app = new (std::nothrow) TesterApp;
  if (app == nullptr) return 0;
  if (SUCCEEDED(StartUpTester(app, instance))) RunMessageLoop(app);
  TearDownTester(app);
  delete app;
  return 0;
}
