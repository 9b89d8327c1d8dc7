#include "moduleinfo.h"

#include "wintext.h"

#include <windows.h>

namespace Kestra {

std::filesystem::path ModuleFolder() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&ModuleFolder), &module))
        return {};
    wchar_t file[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, file, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::filesystem::path(std::wstring(file, length)).parent_path();
}

uint64_t TickCountMs() {
    return ::GetTickCount64();
}

void ShowErrorBox(const char *text, const char *caption) {
    const std::wstring wideText = WideFromUtf8(text ? text : "");
    const std::wstring wideCaption = WideFromUtf8(caption ? caption : "");
    ::MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), MB_OK | MB_ICONERROR);
}

} // namespace Kestra
