#include "serverlibraries.h"

#include <dlfcn.h>

ServerLibraries &ServerLibraries::Instance() {
    static ServerLibraries libraries;
    return libraries;
}

HRESULT ServerLibraries::Enter(const std::string &path, LPFNGETCLASSOBJECT *getClassObject) {
    std::lock_guard lock(m_mutex);
    auto found = m_libraries.find(path);
    if (found == m_libraries.end()) {
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return CO_E_DLLNOTFOUND;
        Library library;
        library.handle = handle;
        library.getClassObject =
            reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(handle, "DllGetClassObject"));
        library.canUnloadNow =
            reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(handle, "DllCanUnloadNow"));
        if (!library.getClassObject) {
            ::dlclose(handle);
            return CO_E_ERRORINDLL;
        }
        found = m_libraries.emplace(path, library).first;
    }
    ++found->second.callers;
    *getClassObject = found->second.getClassObject;
    return S_OK;
}

void ServerLibraries::Leave(const std::string &path) {
    std::lock_guard lock(m_mutex);
    // Present: FreeUnused keeps a library while it has callers.
    if (const auto found = m_libraries.find(path); found != m_libraries.end())
        --found->second.callers;
}

HRESULT ServerLibraries::CreateInstance(const std::string &path, REFCLSID rclsid, IUnknown *outer,
                                        REFIID riid, void **ppv) {
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    if (const HRESULT hr = Enter(path, &getClassObject); FAILED(hr))
        return hr;
    IClassFactory *factory = nullptr;
    HRESULT hr = getClassObject(rclsid, IID_IClassFactory, reinterpret_cast<void **>(&factory));
    if (SUCCEEDED(hr) && !factory)
        hr = E_UNEXPECTED;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateInstance(outer, riid, ppv);
        factory->Release();
    }
    Leave(path);
    return hr;
}

void ServerLibraries::FreeUnused() {
    std::lock_guard lock(m_mutex);
    for (auto it = m_libraries.begin(); it != m_libraries.end();) {
        const Library &library = it->second;
        if (library.callers == 0 && library.canUnloadNow && library.canUnloadNow() == S_OK) {
            ::dlclose(library.handle);
            it = m_libraries.erase(it);
        } else {
            ++it;
        }
    }
}
