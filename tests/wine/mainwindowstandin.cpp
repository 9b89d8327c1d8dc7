// kestra-mainwindow.exe: stands for KestraLive's main window in the Wine tests. It opens a
// top-level window titled "KestraStudioMain", as the filter looks for, prints "ready" and then
// one line "vcam <message> <wParam> <lParam>" for every camera message posted to it, and ends
// when its standard input closes.
#include "vcam/messages.h"

#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (isVCamMessage(message)) {
        std::printf("vcam %u %llu %lld\n", message, static_cast<unsigned long long>(wParam),
                    static_cast<long long>(lParam));
        std::fflush(stdout);
        return 0;
    }
    if (message == WM_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// The test ends the program by closing its input: the window closes from its own thread.
DWORD WINAPI WatchInput(void *window) {
    char buffer[64];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
    }
    ::PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int main() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KestraMainWindowStandIn";
    if (!::RegisterClassW(&windowClass))
        return 1;
    HWND window =
        ::CreateWindowExW(0, windowClass.lpszClassName, mainWindowTitleWide, WS_OVERLAPPEDWINDOW, 0,
                          0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "kestra-mainwindow: no window (error %lu)\n", ::GetLastError());
        return 1;
    }
    HANDLE watcher = ::CreateThread(nullptr, 0, WatchInput, window, 0, nullptr);
    if (!watcher)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
    ::CloseHandle(watcher);
    return 0;
}
