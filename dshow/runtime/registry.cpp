// The Win32 registry functions over RegistryStore. An HKEY other than HKEY_CLASSES_ROOT is a
// heap object naming a root and a key; the table of live handles (guarded by its mutex) lets a
// stale or foreign handle fail with ERROR_INVALID_HANDLE instead of being dereferenced.
#include "registrystore.h"

#include <mutex>
#include <unordered_set>

struct HKEY__ {
    std::string root;
    KeyPath path;
};

namespace {

class HandleTable {
public:
    HKEY Add(std::string root, KeyPath path) {
        HKEY key = new HKEY__{std::move(root), std::move(path)};
        std::lock_guard lock(m_mutex);
        m_handles.insert(key);
        return key;
    }
    bool Remove(HKEY key) {
        {
            std::lock_guard lock(m_mutex);
            if (m_handles.erase(key) == 0)
                return false;
        }
        delete key;
        return true;
    }
    // The predefined root resolves to the store named by the environment at the time of use.
    LONG Lookup(HKEY key, std::string *root, KeyPath *path) {
        if (key == HKEY_CLASSES_ROOT) {
            *root = RegistryStore::DefaultRoot();
            path->clear();
        } else {
            std::lock_guard lock(m_mutex);
            if (!m_handles.contains(key))
                return ERROR_INVALID_HANDLE;
            *root = key->root;
            *path = key->path;
        }
        return root->empty() ? ERROR_PATH_NOT_FOUND : ERROR_SUCCESS;
    }

private:
    std::mutex m_mutex;
    std::unordered_set<HKEY> m_handles;
};

HandleTable &Handles() {
    static HandleTable table;
    return table;
}

std::u16string_view View(LPCWSTR text) {
    return text ? std::u16string_view(text) : u"";
}

} // namespace

STDAPI_(LSTATUS)
RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM, void *, PHKEY phkResult,
                LPDWORD lpdwDisposition) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::string root;
    KeyPath base, key;
    bool created = false;
    if (const LONG status = Handles().Lookup(hKey, &root, &base); status != ERROR_SUCCESS)
        return status;
    RegistryStore store(root);
    if (const LONG status = store.Create(base, View(lpSubKey), &key, &created);
        status != ERROR_SUCCESS)
        return status;
    *phkResult = Handles().Add(std::move(root), std::move(key));
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

STDAPI_(LSTATUS) RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    return RegCreateKeyExW(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, phkResult, nullptr);
}

STDAPI_(LSTATUS)
RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::string root;
    KeyPath base, key;
    if (const LONG status = Handles().Lookup(hKey, &root, &base); status != ERROR_SUCCESS)
        return status;
    if (const LONG status = RegistryStore(root).Open(base, View(lpSubKey), &key);
        status != ERROR_SUCCESS)
        return status;
    *phkResult = Handles().Add(std::move(root), std::move(key));
    return ERROR_SUCCESS;
}

STDAPI_(LSTATUS)
RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE *lpData,
               DWORD cbData) {
    if ((!lpData && cbData != 0) || (dwType == REG_DWORD && cbData != sizeof(DWORD)))
        return ERROR_INVALID_PARAMETER;
    std::string root;
    KeyPath key;
    if (const LONG status = Handles().Lookup(hKey, &root, &key); status != ERROR_SUCCESS)
        return status;
    std::span<const BYTE> data(lpData, cbData);
    std::vector<BYTE> text;
    if (dwType == REG_SZ) {
        // Stored text always ends in a terminator, whether or not the caller counted one.
        text = StringValueData(StringFromValueData(data));
        data = text;
    }
    return RegistryStore(root).SetValue(key, View(lpValueName), dwType, data);
}

STDAPI_(LSTATUS)
RegSetValueW(HKEY hKey, LPCWSTR lpSubKey, DWORD dwType, LPCWSTR lpData, DWORD) {
    if (dwType != REG_SZ || !lpData)
        return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    if (const LONG status = RegCreateKeyW(hKey, lpSubKey, &key); status != ERROR_SUCCESS)
        return status;
    const std::vector<BYTE> data = StringValueData(lpData);
    const LONG status =
        RegSetValueExW(key, nullptr, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return status;
}

STDAPI_(LSTATUS)
RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                 LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    std::string root;
    KeyPath key;
    RegistryValue value;
    if (const LONG status = Handles().Lookup(hKey, &root, &key); status != ERROR_SUCCESS)
        return status;
    if (const LONG status = RegistryStore(root).QueryValue(key, View(lpValueName), &value);
        status != ERROR_SUCCESS)
        return status;
    if (lpType)
        *lpType = value.type;
    if (!lpcbData)
        return ERROR_SUCCESS;
    const DWORD size = static_cast<DWORD>(value.data.size());
    const DWORD capacity = *lpcbData;
    *lpcbData = size;
    if (!lpData)
        return ERROR_SUCCESS;
    if (capacity < size)
        return ERROR_MORE_DATA;
    if (size != 0)
        std::memcpy(lpData, value.data.data(), size);
    return ERROR_SUCCESS;
}

STDAPI_(LSTATUS)
RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
              LPDWORD lpcchClass, void *lpftLastWriteTime) {
    if (!lpName || !lpcchName)
        return ERROR_INVALID_PARAMETER;
    std::string root;
    KeyPath key;
    std::vector<std::u16string> names;
    if (const LONG status = Handles().Lookup(hKey, &root, &key); status != ERROR_SUCCESS)
        return status;
    if (const LONG status = RegistryStore(root).SubKeys(key, &names); status != ERROR_SUCCESS)
        return status;
    if (dwIndex >= names.size())
        return ERROR_NO_MORE_ITEMS;
    const std::u16string &name = names[dwIndex];
    if (name.size() + 1 > *lpcchName)
        return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    *lpcchName = static_cast<DWORD>(name.size());
    // Keys have no class and the store keeps no write times.
    if (lpClass && lpcchClass && *lpcchClass > 0)
        lpClass[0] = u'\0';
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpftLastWriteTime)
        std::memset(lpftLastWriteTime, 0, 2 * sizeof(DWORD)); // a FILETIME
    return ERROR_SUCCESS;
}

STDAPI_(LSTATUS) RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    std::string root;
    KeyPath base;
    if (const LONG status = Handles().Lookup(hKey, &root, &base); status != ERROR_SUCCESS)
        return status;
    return RegistryStore(root).DeleteKey(base, lpSubKey);
}

STDAPI_(LSTATUS) RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    std::string root;
    KeyPath base;
    if (const LONG status = Handles().Lookup(hKey, &root, &base); status != ERROR_SUCCESS)
        return status;
    return RegistryStore(root).DeleteTree(base, View(lpSubKey));
}

STDAPI_(LSTATUS) RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    return Handles().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
