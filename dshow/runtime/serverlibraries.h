// The in-process server libraries CoCreateInstance has loaded, one entry per library path.
// A library stays loaded until CoFreeUnusedLibraries finds its DllCanUnloadNow returning S_OK
// while no CoCreateInstance is inside it. Any thread may call; m_mutex guards m_libraries and
// is held while a library is opened, asked and closed, never while its class factory runs.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

class ServerLibraries {
public:
    static ServerLibraries &Instance();

    // Loads (or finds) the library and asks it for rclsid's factory, then the object.
    // CO_E_DLLNOTFOUND when it cannot be loaded, CO_E_ERRORINDLL without DllGetClassObject.
    HRESULT CreateInstance(const std::string &path, REFCLSID rclsid, IUnknown *outer, REFIID riid,
                           void **ppv);
    void FreeUnused();

private:
    struct Library {
        void *handle = nullptr;
        LPFNGETCLASSOBJECT getClassObject = nullptr;
        LPFNCANUNLOADNOW canUnloadNow = nullptr; // optional: without it, never unloaded
        int callers = 0;                         // CoCreateInstance calls inside the library now
    };

    // Returns the loaded library with its caller count raised, or an error.
    HRESULT Enter(const std::string &path, LPFNGETCLASSOBJECT *getClassObject);
    void Leave(const std::string &path);

    std::mutex m_mutex;
    std::map<std::string, Library> m_libraries;
};
