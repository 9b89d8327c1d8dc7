// The filter's line to KestraLive: its main window (titled "KestraStudioMain") learns from
// these posts which virtual camera is streaming, at which resolution and frame rate. On
// Windows that is the real window; on Linux, KestraLive's per-user datagram endpoint.
//
// Called from any thread (the application's and the pin's); no state is kept, the window is
// looked up on every call because KestraLive may start or quit at any time.
#pragma once

#include <cstdint>

namespace Kestra {

// True while KestraLive's main window is there to receive posts.
bool MainWindowExists();

// Posts one message (WM_VCAM_* from vcam/messages.h). Never blocks; silently nothing
// when there is no window or its queue is full.
void PostToMainWindow(uint32_t message, uint64_t wParam, int64_t lParam);

} // namespace Kestra
