// The file tree that stands for HKEY_CLASSES_ROOT: one folder per key below a per-user root,
// the key's values in a ValueFile inside it. Folder names are the key names in UTF-8 as first
// created; lookups compare names case-insensitively (keyname.h), so "CLSID" and "clsid" are the
// same key. Names that could leave the root ("..", "/", empty) are refused.
//
// A RegistryStore is a cheap value naming a root; any thread may create and use one. Every
// change takes an flock on the root's lock file for its whole duration, which serialises
// writers across threads and processes; readers take no lock and rely on atomic value files.
#pragma once

#include "valuefile.h"

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A key as the folder names below the root, as they are on disk.
using KeyPath = std::vector<std::string>;

class RegistryStore {
public:
    // $KESTRA_DSHOW_REGISTRY, else $XDG_DATA_HOME/kestra-dshow/classes with XDG_DATA_HOME
    // defaulting to $HOME/.local/share; empty when none of them is set.
    static std::string DefaultRoot();

    // Every call fails with ERROR_PATH_NOT_FOUND on an empty root.
    explicit RegistryStore(std::string root) : m_root(std::move(root)) {}
    const std::string &Root() const { return m_root; }

    // Finds base\subKey (subKey empty: base itself). ERROR_FILE_NOT_FOUND when missing.
    LONG Open(const KeyPath &base, std::u16string_view subKey, KeyPath *key) const;
    // Opens base\subKey, creating it and every missing key on the way.
    LONG Create(const KeyPath &base, std::u16string_view subKey, KeyPath *key, bool *created);

    LONG SetValue(const KeyPath &key, std::u16string_view name, DWORD type,
                  std::span<const BYTE> data);
    LONG QueryValue(const KeyPath &key, std::u16string_view name, RegistryValue *value) const;
    // The key's sub-key names in a stable order: case-folded, then as written.
    LONG SubKeys(const KeyPath &key, std::vector<std::u16string> *names) const;

    // Deletes base\subKey, which must have no sub-keys (ERROR_ACCESS_DENIED otherwise). An empty
    // subKey names base itself; the root cannot be deleted.
    LONG DeleteKey(const KeyPath &base, std::u16string_view subKey);
    // Deletes base\subKey and everything below it, depth first. An empty subKey deletes base's
    // values and sub-keys but keeps base; refused on the root.
    LONG DeleteTree(const KeyPath &base, std::u16string_view subKey);

    // A REG_SZ value as text, without its terminator.
    LONG ReadString(std::u16string_view keyPath, std::u16string_view name,
                    std::u16string *text) const;
    LONG SetString(const KeyPath &key, std::u16string_view name, std::u16string_view text);

private:
    std::string Folder(const KeyPath &key) const;
    // Looks up each of names below base; *resolved gets as many folders as exist.
    // Resolves the key a delete names and, under the write lock, runs remove on its folder
    // (with true when a subkey was named); the root itself is never deleted.
    LONG DeleteWith(const KeyPath &base, std::u16string_view subKey,
                    const std::function<LONG(const std::string &, bool)> &remove);
    LONG Resolve(const KeyPath &base, const std::vector<std::u16string> &names,
                 KeyPath *resolved) const;

    std::string m_root;
};

// REG_SZ data for text: UTF-16 code units with a terminator.
std::vector<BYTE> StringValueData(std::u16string_view text);
// Text of REG_SZ data: up to the first terminator, an odd trailing byte ignored.
std::u16string StringFromValueData(std::span<const BYTE> data);
