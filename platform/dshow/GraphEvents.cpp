// DirectShow filter graph manager: the event queue and completion.
#include <chrono>

#include "platform/dshow/FilterGraph.h"

namespace tavorin::dshow {

void CFilterGraph::ResetCompletion(size_t renderers) {
  std::lock_guard<std::mutex> hold(m_eventLock);
  m_completedRenderers.clear();
  m_renderersExpected = renderers;
  m_complete = false;
  m_abortCode = 0;
}

void CFilterGraph::QueueEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  if (m_notifyFlags & AM_MEDIAEVENT_NONOTIFY) return;
  m_events.push_back({eventCode, param1, param2});
  m_eventChanged.notify_all();
  if (m_notifyWindow != 0) {
    PostMessageA(reinterpret_cast<HWND>(m_notifyWindow), static_cast<UINT>(m_notifyMessage), 0,
                 m_notifyData);
  }
}

STDMETHODIMP CFilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  std::lock_guard<std::mutex> hold(m_eventLock);
  switch (eventCode) {
    case EC_COMPLETE:
      // The application hears of completion once, when the last renderer
      // has finished.
      if (m_complete || m_renderersExpected == 0) return S_OK;
      m_completedRenderers.insert(param2);
      if (m_completedRenderers.size() < m_renderersExpected) return S_OK;
      m_complete = true;
      QueueEvent(EC_COMPLETE, S_OK, 0);
      m_eventChanged.notify_all();
      return S_OK;
    case EC_ERRORABORT:
    case EC_USERABORT:
      m_abortCode = eventCode;
      QueueEvent(eventCode, param1, param2);
      m_eventChanged.notify_all();
      return S_OK;
    default:
      QueueEvent(eventCode, param1, param2);
      return S_OK;
  }
}

STDMETHODIMP CFilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                                    LONG milliseconds) {
  if (eventCode == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  std::unique_lock<std::mutex> hold(m_eventLock);
  auto queued = [this] { return !m_events.empty(); };
  if (milliseconds < 0) {
    m_eventChanged.wait(hold, queued);
  } else if (!m_eventChanged.wait_for(hold, std::chrono::milliseconds(milliseconds), queued)) {
    *eventCode = 0;
    *param1 = 0;
    *param2 = 0;
    return E_ABORT;
  }
  Event event = m_events.front();
  m_events.pop_front();
  *eventCode = event.code;
  *param1 = event.param1;
  *param2 = event.param2;
  return S_OK;
}

STDMETHODIMP CFilterGraph::WaitForCompletion(LONG milliseconds, LONG* eventCode) {
  if (eventCode == nullptr) return E_POINTER;
  *eventCode = 0;
  if (m_state == State_Stopped) return VFW_E_WRONG_STATE;
  std::unique_lock<std::mutex> hold(m_eventLock);
  auto finished = [this] { return m_complete || m_abortCode != 0; };
  if (milliseconds < 0) {
    m_eventChanged.wait(hold, finished);
  } else if (!m_eventChanged.wait_for(hold, std::chrono::milliseconds(milliseconds), finished)) {
    return E_ABORT;
  }
  *eventCode = m_complete ? EC_COMPLETE : m_abortCode;
  return S_OK;
}

STDMETHODIMP CFilterGraph::FreeEventParams(LONG /*eventCode*/, LONG_PTR /*param1*/,
                                           LONG_PTR /*param2*/) {
  // No event of this graph carries allocated parameters.
  return S_OK;
}

STDMETHODIMP CFilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  std::lock_guard<std::mutex> hold(m_eventLock);
  m_notifyWindow = window;
  m_notifyMessage = message;
  m_notifyData = instanceData;
  return S_OK;
}

STDMETHODIMP CFilterGraph::SetNotifyFlags(LONG flags) {
  if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(m_eventLock);
  m_notifyFlags = flags;
  if (flags & AM_MEDIAEVENT_NONOTIFY) m_events.clear();
  return S_OK;
}

STDMETHODIMP CFilterGraph::GetNotifyFlags(LONG* flags) {
  if (flags == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(m_eventLock);
  *flags = m_notifyFlags;
  return S_OK;
}

}  // namespace tavorin::dshow
