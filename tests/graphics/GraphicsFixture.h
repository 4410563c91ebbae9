#pragma once

#include <vector>

#include <gtest/gtest.h>

#include <comobject.h>

#include "IDirectXManager.h"

// A visible 800 × 600 headless window and the settings the tester uses.
class GraphicsFixture : public ::testing::Test {
 protected:
  GraphicsFixture();
  ~GraphicsFixture() override;

  // The back buffer's pixels (A8R8G8B8, row by row) read back the standard way.
  std::vector<DWORD> ReadBackBuffer(IDirect3DDevice9* device, UINT* width, UINT* height);

  HINSTANCE instance;
  HWND window = nullptr;
  DirectXManagerSettings settings{};
};
