#include "mainwindow.h"

#include "vcam/messages.h"

#include <windows.h>

namespace Kestra {

namespace {

HWND FindMainWindow() {
    HWND window = ::FindWindowW(nullptr, mainWindowTitleWide);
    return window && ::IsWindow(window) ? window : nullptr;
}

} // namespace

bool MainWindowExists() {
    return FindMainWindow() != nullptr;
}

void PostToMainWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
    if (HWND window = FindMainWindow())
        ::PostMessageW(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

} // namespace Kestra
