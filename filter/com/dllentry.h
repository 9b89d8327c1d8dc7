// The in-process server's exported entry points and the module facts they share.
//
// COM calls the exports from any thread (the classes are registered "Both"). DllMain runs on
// the loader's thread: on Windows the system calls it, on Linux the library's constructor and
// destructor do (moduleentry_linux.cpp). DllMain stores the module handle at process attach,
// before any other entry point can run; the registration exports (DllRegisterServer,
// DllUnregisterServer and DllInstall) hand it to RegisterFilters.
#pragma once

#include <windows.h>

// The Linux build hides every other symbol (CMake defines this there); on Windows the module
// definition file names the exports.
#ifndef KESTRA_COM_EXPORT
#define KESTRA_COM_EXPORT
#endif

STDAPI KESTRA_COM_EXPORT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv);
STDAPI KESTRA_COM_EXPORT DllCanUnloadNow();
STDAPI KESTRA_COM_EXPORT DllRegisterServer();
STDAPI KESTRA_COM_EXPORT DllUnregisterServer();
// pszCmdLine (case-insensitive): "single" installs camera 1 only and removes cameras 2 to 4;
// "multi", empty or null installs all four. bInstall FALSE removes all four. Anything else gives
// E_INVALIDARG and changes nothing.
STDAPI KESTRA_COM_EXPORT DllInstall(BOOL bInstall, LPCWSTR pszCmdLine);
EXTERN_C BOOL KESTRA_COM_EXPORT WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason,
                                               LPVOID lpReserved);
