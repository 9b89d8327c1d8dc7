// Module and process services: module file names, the per-thread last error, the version, and
// the code-page conversions (the ANSI code page is UTF-8 here).
#include "wide.h"

#include <windows.h>

#include <climits>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <unistd.h>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

bool ExecutablePath(std::string *path) {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (n <= 0 || static_cast<size_t>(n) >= sizeof(buffer))
        return false;
    path->assign(buffer, static_cast<size_t>(n));
    return true;
}

// The file of the module containing address, or of the main program for null.
bool ModulePath(HMODULE module, std::string *path) {
    if (!module)
        return ExecutablePath(path);
    Dl_info info{};
    link_map *map = nullptr;
    if (!::dladdr1(module, &info, reinterpret_cast<void **>(&map), RTLD_DL_LINKMAP) || !map)
        return false;
    // The main program's link map carries no name.
    if (!map->l_name || !*map->l_name)
        return ExecutablePath(path);
    char *resolved = ::realpath(map->l_name, nullptr);
    path->assign(resolved ? resolved : map->l_name);
    std::free(resolved);
    return true;
}

// Copies like Windows: the whole name and its length, or as much as fits with a terminator,
// nSize, and ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
DWORD CopyTruncated(const std::basic_string<Char> &name, Char *buffer, DWORD nSize) {
    if (!buffer || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() < nSize) {
        std::copy(name.begin(), name.end(), buffer);
        buffer[name.size()] = Char();
        return static_cast<DWORD>(name.size());
    }
    std::copy(name.begin(), name.begin() + (nSize - 1), buffer);
    buffer[nSize - 1] = Char();
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

// The common tail of the two conversions: a size query, a copy, or ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
int DeliverConverted(const std::basic_string<Char> &converted, Char *out, int outLength) {
    if (converted.size() > static_cast<size_t>(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int size = static_cast<int>(converted.size());
    if (outLength == 0)
        return size;
    if (size > outLength) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(converted.begin(), converted.end(), out);
    return size;
}

bool ValidConversion(UINT codePage, const void *in, int inLength, const void *out, int outLength) {
    if ((codePage != CP_ACP && codePage != CP_UTF8) || !in || inLength == 0 || inLength < -1 ||
        outLength < 0 || (outLength > 0 && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

} // namespace

STDAPI_(DWORD) GetLastError() {
    return t_lastError;
}

STDAPI_(void) SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}

STDAPI_(DWORD) GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!ModulePath(hModule, &path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return CopyTruncated(path, lpFilename, nSize);
}

STDAPI_(DWORD) GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!ModulePath(hModule, &path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return CopyTruncated(ToUtf16(path), lpFilename, nSize);
}

// No thread notifications exist to turn off.
STDAPI_(BOOL) DisableThreadLibraryCalls(HMODULE) {
    return TRUE;
}

// Windows 10 (major 10, minor 0, build 19045), in GetVersion's packing.
STDAPI_(DWORD) GetVersion() {
    return 19045u << 16 | 0u << 8 | 10u;
}

// Flags are accepted and ignored: invalid input is always replaced with U+FFFD.
STDAPI_(int)
MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                    LPWSTR lpWideCharStr, int cchWideChar) {
    if (!ValidConversion(CodePage, lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar))
        return 0;
    const size_t length =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    return DeliverConverted(ToUtf16(std::string_view(lpMultiByteStr, length)), lpWideCharStr,
                            cchWideChar);
}

STDAPI_(int)
WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar,
                    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                    BOOL *lpUsedDefaultChar) {
    if (!ValidConversion(CodePage, lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte))
        return 0;
    // UTF-8 has no default character; Windows refuses one for CP_UTF8.
    if (CodePage == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = FALSE;
    const size_t length = cchWideChar == -1 ? std::char_traits<WCHAR>::length(lpWideCharStr) + 1
                                            : static_cast<size_t>(cchWideChar);
    return DeliverConverted(ToUtf8(std::u16string_view(lpWideCharStr, length)), lpMultiByteStr,
                            cbMultiByte);
}
