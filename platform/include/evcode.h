// Event codes of the filter graph (IMediaEvent, IMediaEventSink).
#pragma once

// Every renderer has rendered its end of stream. Parameters: S_OK, 0.
#define EC_COMPLETE 0x01
// Playback was stopped by the user (closing a window). Parameters: 0, 0.
#define EC_USERABORT 0x02
// A streaming error stopped playback. Parameters: the HRESULT, 0.
#define EC_ERRORABORT 0x03
// A stream stopped because of an error. Parameters: the HRESULT, 0.
#define EC_STREAM_ERROR_STOPPED 0x06
// The graph's reference clock changed. Parameters: 0, 0.
#define EC_CLOCK_CHANGED 0x0D
// A Pause request has completed. Parameters: the HRESULT, 0.
#define EC_PAUSED 0x0E
