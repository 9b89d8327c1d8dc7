// The part of the Win32 and COM programming interface that KestraCamera and kestra-capture use,
// for Linux, where dshow/runtime provides it. The types keep their Windows widths (LONG, ULONG,
// DWORD and BOOL are 32-bit, WCHAR is 16-bit, REFERENCE_TIME 64-bit) so that every structure
// has its documented size, and the HRESULT values are the documented ones. Code that includes
// this header is the same code that builds against the Windows SDK; only the include path
// differs (set in CMake).
//
// Wide text is UTF-16 in char16_t; write literals with OLESTR("...").
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Calling-convention and declaration macros: empty or trivial on Linux.
#define WINAPI
#define STDAPICALLTYPE
#define STDMETHODCALLTYPE
#define EXTERN_C extern "C"
#define STDAPI EXTERN_C HRESULT
#define STDAPI_(type) EXTERN_C type
#define STDMETHOD(method) virtual HRESULT method
#define STDMETHOD_(type, method) virtual type method
#define STDMETHODIMP HRESULT
#define STDMETHODIMP_(type) type
#define PURE = 0
#define DECLSPEC_UUID(x)

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using DWORD_PTR = uintptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using HRESULT = int32_t;
using WCHAR = char16_t;
using OLECHAR = WCHAR;
using LPWSTR = WCHAR *;
using LPCWSTR = const WCHAR *;
using LPOLESTR = OLECHAR *;
using LPCOLESTR = const OLECHAR *;
using LPSTR = char *;
using LPCSTR = const char *;
using LPVOID = void *;
using LPCVOID = const void *;
using PVOID = void *;
using LPBYTE = BYTE *;
using LPDWORD = DWORD *;
using HANDLE = void *;
// A module is named by any address inside it (dladdr finds the file).
using HINSTANCE = void *;
using HMODULE = void *;
using HWND = void *;
using LSTATUS = LONG;
using REGSAM = DWORD;
using REFERENCE_TIME = LONGLONG;

#define OLESTR(str) u##str
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID &;
using REFIID = const IID &;
using REFCLSID = const CLSID &;
using LPGUID = GUID *;
using LPCLSID = CLSID *;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualIID(REFIID a, REFIID b) {
    return IsEqualGUID(a, b);
}
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return IsEqualGUID(a, b);
}
inline bool operator==(const GUID &a, const GUID &b) {
    return IsEqualGUID(a, b);
}
inline bool operator!=(const GUID &a, const GUID &b) {
    return !IsEqualGUID(a, b);
}

// Every well-known identifier is an inline constant, so no library has to define it.
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                               \
    inline constexpr GUID name {                                                                   \
        l, w1, w2, {                                                                               \
            b1, b2, b3, b4, b5, b6, b7, b8                                                         \
        }                                                                                          \
    }

DEFINE_GUID(GUID_NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
#define CLSID_NULL GUID_NULL
#define IID_NULL GUID_NULL

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct POINT {
    LONG x;
    LONG y;
};

// HRESULT values.
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define MAKE_HRESULT(sev, fac, code)                                                               \
    static_cast<HRESULT>((static_cast<uint32_t>(sev) << 31) | (static_cast<uint32_t>(fac) << 16) | \
                         static_cast<uint32_t>(code))
#define FACILITY_WIN32 7
constexpr HRESULT HRESULT_FROM_WIN32(uint32_t x) {
    return static_cast<int32_t>(x) <= 0 ? static_cast<HRESULT>(x)
                                        : static_cast<HRESULT>((x & 0x0000FFFF) | 0x80070000);
}
#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define NOERROR S_OK
#define E_NOTIMPL static_cast<HRESULT>(0x80004001)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002)
#define E_POINTER static_cast<HRESULT>(0x80004003)
#define E_ABORT static_cast<HRESULT>(0x80004004)
#define E_FAIL static_cast<HRESULT>(0x80004005)
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFF)
#define E_ACCESSDENIED static_cast<HRESULT>(0x80070005)
#define E_HANDLE static_cast<HRESULT>(0x80070006)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000E)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057)
#define CLASS_E_NOAGGREGATION static_cast<HRESULT>(0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE static_cast<HRESULT>(0x80040111)
#define REGDB_E_CLASSNOTREG static_cast<HRESULT>(0x80040154)
#define REGDB_E_READREGDB static_cast<HRESULT>(0x80040150)
#define CO_E_NOTINITIALIZED static_cast<HRESULT>(0x800401F0)
#define CO_E_CLASSSTRING static_cast<HRESULT>(0x800401F3)
#define CO_E_DLLNOTFOUND static_cast<HRESULT>(0x800401F8)
#define CO_E_ERRORINDLL static_cast<HRESULT>(0x800401F9)
#define SELFREG_E_CLASS static_cast<HRESULT>(0x80040201)

// Win32 error codes (GetLastError, registry calls).
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_WRITE_FAULT 29L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L

// IUnknown and the class factory.
DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);
DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);
DEFINE_GUID(IID_IPersist, 0x0000010C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void **ppv) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;
};
using LPUNKNOWN = IUnknown *;

struct IClassFactory : IUnknown {
    STDMETHOD(CreateInstance)(IUnknown *pUnkOuter, REFIID riid, void **ppv) PURE;
    STDMETHOD(LockServer)(BOOL fLock) PURE;
};

struct IPersist : IUnknown {
    STDMETHOD(GetClassID)(CLSID *pClassID) PURE;
};

// COM library (dshow/runtime). CoCreateInstance serves CLSID_FilterMapper2 itself and loads
// every other class from the library registered under CLSID\{clsid}\InprocServer32.
enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_ALL = 0x17,
};
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
STDAPI CoInitialize(LPVOID pvReserved);
STDAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
STDAPI_(void) CoUninitialize();
STDAPI CoCreateInstance(REFCLSID rclsid, IUnknown *pUnkOuter, DWORD dwClsContext, REFIID riid,
                        void **ppv);
STDAPI_(void) CoFreeUnusedLibraries();
STDAPI_(LPVOID) CoTaskMemAlloc(size_t cb);
STDAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, size_t cb);
STDAPI_(void) CoTaskMemFree(LPVOID pv);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex; returns the characters written
// including the terminator, 0 when cchMax is below 39.
STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);

// The signatures a COM server library exports.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID, REFIID, LPVOID *);
using LPFNCANUNLOADNOW = HRESULT (*)();

// Registry: a per-user file store that stands for HKEY_CLASSES_ROOT (the only root).
struct HKEY__;
using HKEY = HKEY__ *;
using PHKEY = HKEY *;
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000)))
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2
#define REG_NONE 0
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4
STDAPI_(LSTATUS) RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult);
STDAPI_(LSTATUS)
RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                REGSAM samDesired, void *lpSecurityAttributes, PHKEY phkResult,
                LPDWORD lpdwDisposition);
STDAPI_(LSTATUS)
RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
STDAPI_(LSTATUS)
RegSetValueW(HKEY hKey, LPCWSTR lpSubKey, DWORD dwType, LPCWSTR lpData, DWORD cbData);
STDAPI_(LSTATUS)
RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE *lpData,
               DWORD cbData);
STDAPI_(LSTATUS)
RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                 LPDWORD lpcbData);
STDAPI_(LSTATUS)
RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
              LPWSTR lpClass, LPDWORD lpcchClass, void *lpftLastWriteTime);
STDAPI_(LSTATUS) RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
STDAPI_(LSTATUS) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
STDAPI_(LSTATUS) RegCloseKey(HKEY hKey);

// Module and process services.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define CP_ACP 0
#define CP_UTF8 65001
STDAPI_(DWORD) GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
STDAPI_(DWORD) GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
STDAPI_(BOOL) DisableThreadLibraryCalls(HMODULE hLibModule);
STDAPI_(DWORD) GetVersion();
STDAPI_(DWORD) GetLastError();
STDAPI_(void) SetLastError(DWORD dwErrCode);
// The ANSI code page is UTF-8 here.
STDAPI_(int)
MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                    LPWSTR lpWideCharStr, int cchWideChar);
STDAPI_(int)
WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                    BOOL *lpUsedDefaultChar);
