// The filter graph's control interfaces: run state, events, audio, video.
#pragma once

#include "unknwn.h"

typedef LONG OAFilterState;
typedef LONG_PTR OAHWND;
typedef double REFTIME;

DECLARE_INTERFACE_ID(IMediaControl, 0x56A868B1, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IMediaEvent, 0x56A868B6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IMediaEventEx, 0x56A868C0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IBasicAudio, 0x56A868B3, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);
DECLARE_INTERFACE_ID(IBasicVideo, 0x56A868B5, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
                     0xA7, 0x70);

// Runs, pauses and stops every filter of the graph together. Any thread.
struct IMediaControl : IUnknown {
  // From stopped, pauses first and waits (up to 5 s) for the renderers to
  // be cued, so that the first frames are on time; then runs. S_OK.
  virtual HRESULT STDMETHODCALLTYPE Run() = 0;
  // S_FALSE while a renderer still waits for its first sample.
  virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
  // Stops every filter; returns once their streaming threads have stopped.
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  // Waits up to `milliseconds` for a change under way; *state is 0 stopped,
  // 1 paused, 2 running. VFW_S_STATE_INTERMEDIATE while the change has not
  // completed (a renderer waits for its first sample).
  virtual HRESULT STDMETHODCALLTYPE GetState(LONG milliseconds, OAFilterState* state) = 0;
  // Pauses so that the renderers receive (and show) their first samples,
  // then stops. Returns once stopped.
  virtual HRESULT STDMETHODCALLTYPE StopWhenReady() = 0;
};

// The graph's event queue.
struct IMediaEvent : IUnknown {
  // Takes the next event within `milliseconds`; E_ABORT when none came.
  // Free the parameters with FreeEventParams.
  virtual HRESULT STDMETHODCALLTYPE GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                                             LONG milliseconds) = 0;
  // Waits up to `milliseconds` (INFINITE allowed) until the running graph
  // completes (EC_COMPLETE once every renderer has rendered its end of
  // stream) or aborts; *eventCode gets the code. E_ABORT on time-out (code
  // 0), VFW_E_WRONG_STATE when the graph is stopped.
  virtual HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG milliseconds, LONG* eventCode) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreeEventParams(LONG eventCode, LONG_PTR param1,
                                                    LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
  // Posts `message` (lParam = instanceData) to `window` whenever an event
  // is queued; a null window stops the notifications.
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message,
                                                    LONG_PTR instanceData) = 0;
  // AM_MEDIAEVENT_NONOTIFY (1) stops events from being queued.
  virtual HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNotifyFlags(LONG* flags) = 0;
};

#define AM_MEDIAEVENT_NONOTIFY 0x01

// Volume (hundredths of a dB, -10000 silence ... 0 full) and balance
// (-10000 left only ... 10000 right only). On the graph: forwarded to the
// audio renderer; E_NOTIMPL when the graph has none.
struct IBasicAudio : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE put_Volume(LONG volume) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Volume(LONG* volume) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Balance(LONG balance) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Balance(LONG* balance) = 0;
};

// The connected video format, taken from the first renderer input with a
// FORMAT_VideoInfo connection; VFW_E_NOT_CONNECTED when there is none.
struct IBasicVideo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_AvgTimePerFrame(REFTIME* seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) = 0;
};
