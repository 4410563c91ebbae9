// Video format blocks of DirectShow media types.
#pragma once

#include "windef.h"

#ifndef TAVORIN_BITMAPINFOHEADER_DEFINED
#define TAVORIN_BITMAPINFOHEADER_DEFINED
#define BI_RGB 0L
typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  // Positive: rows are stored bottom-up; negative: top-down.
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;
#endif

typedef LONGLONG REFERENCE_TIME;

// The format block of FORMAT_VideoInfo.
typedef struct tagVIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  REFERENCE_TIME AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
} VIDEOINFOHEADER;

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER as laid out by the SDK");
static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER as laid out by the SDK");
