// COM on the tool's main thread for as long as a command runs: made before the first COM call,
// ended after the last reference is gone. On Linux our runtime's CoInitialize; on Windows the
// multithreaded apartment, because the main thread runs no message loop, which the system's
// filter graph would want in a single-threaded one.
//
// Main thread only; one at a time.
#pragma once

#include <windows.h>

namespace capture {

class ComSession {
public:
    ComSession();
    ~ComSession();
    ComSession(const ComSession &) = delete;
    ComSession &operator=(const ComSession &) = delete;

    // What the initialisation returned; COM is not usable when it failed.
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

} // namespace capture
