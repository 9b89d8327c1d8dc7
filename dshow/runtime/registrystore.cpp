#include "registrystore.h"

#include "keyname.h"
#include "uniquefd.h"
#include "wide.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

constexpr const char *kLockFileName = ".kestra-lock";

struct KeyFolder {
    std::string diskName;
    std::u16string name;
};

bool IsDirectory(const std::string &path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The key folders inside dir, sorted as SubKeys promises. Entries that are not directories or
// whose names are no valid key name (the store's own files, hand-made folders) are skipped.
bool ListFolders(const std::string &dir, std::vector<KeyFolder> *folders) {
    folders->clear();
    DIR *stream = ::opendir(dir.c_str());
    if (!stream)
        return false;
    while (const dirent *entry = ::readdir(stream)) {
        const std::string diskName = entry->d_name;
        const std::u16string name = ToUtf16(diskName);
        if (!IsValidKeyName(name) || ToUtf8(name) != diskName)
            continue;
        const bool directory = entry->d_type == DT_DIR ||
                               (entry->d_type == DT_UNKNOWN && IsDirectory(dir + "/" + diskName));
        if (directory)
            folders->push_back({diskName, name});
    }
    ::closedir(stream);
    std::sort(folders->begin(), folders->end(), [](const KeyFolder &a, const KeyFolder &b) {
        const std::u16string fa = FoldName(a.name), fb = FoldName(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    return true;
}

bool HasSubFolder(const std::string &dir) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            return true;
    }
    return false;
}

// Depth first, without following symbolic links.
LONG RemoveFolderTree(const std::string &folder) {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return error ? Win32ErrorFromErrno(error.value(), ERROR_ACCESS_DENIED) : ERROR_SUCCESS;
}

// Holds the store's exclusive write lock for one change. flock locks belong to the open file
// description, so two threads of one process exclude each other as two processes do.
class WriteLock {
public:
    explicit WriteLock(const std::string &root)
        : m_fd(::open((root + "/" + kLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (m_fd.get() < 0) {
            m_error = Win32ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
            return;
        }
        int result;
        do
            result = ::flock(m_fd.get(), LOCK_EX);
        while (result != 0 && errno == EINTR);
        if (result != 0)
            m_error = ERROR_ACCESS_DENIED;
    }
    LONG Error() const { return m_error; }

private:
    UniqueFd m_fd;
    LONG m_error = ERROR_SUCCESS;
};

} // namespace

std::string RegistryStore::DefaultRoot() {
    const char *explicitRoot = std::getenv("KESTRA_DSHOW_REGISTRY");
    if (explicitRoot && *explicitRoot)
        return explicitRoot;
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        return std::string(dataHome) + "/kestra-dshow/classes";
    const char *home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.local/share/kestra-dshow/classes";
    return {};
}

std::string RegistryStore::Folder(const KeyPath &key) const {
    std::string folder = m_root;
    for (const std::string &name : key)
        folder += "/" + name;
    return folder;
}

LONG RegistryStore::Resolve(const KeyPath &base, const std::vector<std::u16string> &names,
                            KeyPath *resolved) const {
    *resolved = base;
    if (!IsDirectory(Folder(base)))
        return ERROR_FILE_NOT_FOUND;
    std::vector<KeyFolder> folders;
    for (const std::u16string &name : names) {
        if (!ListFolders(Folder(*resolved), &folders))
            return ERROR_FILE_NOT_FOUND;
        const auto match = std::find_if(folders.begin(), folders.end(), [&](const KeyFolder &f) {
            return NamesEqual(f.name, name);
        });
        if (match == folders.end())
            return ERROR_FILE_NOT_FOUND;
        resolved->push_back(match->diskName);
    }
    return ERROR_SUCCESS;
}

LONG RegistryStore::Open(const KeyPath &base, std::u16string_view subKey, KeyPath *key) const {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    std::vector<std::u16string> names;
    if (const LONG status = SplitKeyPath(subKey, &names); status != ERROR_SUCCESS)
        return status;
    return Resolve(base, names, key);
}

LONG RegistryStore::Create(const KeyPath &base, std::u16string_view subKey, KeyPath *key,
                           bool *created) {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    std::vector<std::u16string> names;
    if (const LONG status = SplitKeyPath(subKey, &names); status != ERROR_SUCCESS)
        return status;
    std::error_code error;
    std::filesystem::create_directories(m_root, error);
    WriteLock lock(m_root);
    if (lock.Error() != ERROR_SUCCESS)
        return lock.Error();
    bool madeOne = false;
    if (Resolve(base, names, key) != ERROR_SUCCESS) {
        if (!IsDirectory(Folder(base)))
            return ERROR_FILE_NOT_FOUND; // the key we start from is gone
        for (size_t i = key->size() - base.size(); i < names.size(); ++i) {
            key->push_back(ToUtf8(names[i]));
            if (::mkdir(Folder(*key).c_str(), 0755) != 0)
                return Win32ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
        }
        madeOne = true;
    }
    if (created)
        *created = madeOne;
    return ERROR_SUCCESS;
}

LONG RegistryStore::SetValue(const KeyPath &key, std::u16string_view name, DWORD type,
                             std::span<const BYTE> data) {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    if (name.size() > ValueFile::kMaxNameLength)
        return ERROR_INVALID_PARAMETER;
    WriteLock lock(m_root);
    if (lock.Error() != ERROR_SUCCESS)
        return lock.Error();
    const ValueFile file(Folder(key));
    std::vector<RegistryValue> values;
    if (const LONG status = file.Load(&values); status != ERROR_SUCCESS)
        return status;
    auto existing = std::find_if(values.begin(), values.end(),
                                 [&](const RegistryValue &v) { return NamesEqual(v.name, name); });
    if (existing == values.end())
        existing = values.insert(values.end(), RegistryValue{std::u16string(name), type, {}});
    existing->type = type;
    existing->data.assign(data.begin(), data.end());
    return file.Store(values);
}

LONG RegistryStore::QueryValue(const KeyPath &key, std::u16string_view name,
                               RegistryValue *value) const {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    std::vector<RegistryValue> values;
    if (const LONG status = ValueFile(Folder(key)).Load(&values); status != ERROR_SUCCESS)
        return status;
    const auto found = std::find_if(values.begin(), values.end(), [&](const RegistryValue &v) {
        return NamesEqual(v.name, name);
    });
    if (found == values.end())
        return ERROR_FILE_NOT_FOUND;
    *value = std::move(*found);
    return ERROR_SUCCESS;
}

LONG RegistryStore::SubKeys(const KeyPath &key, std::vector<std::u16string> *names) const {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    names->clear();
    std::vector<KeyFolder> folders;
    if (!ListFolders(Folder(key), &folders))
        return ERROR_FILE_NOT_FOUND;
    for (KeyFolder &folder : folders)
        names->push_back(std::move(folder.name));
    return ERROR_SUCCESS;
}

LONG RegistryStore::DeleteKey(const KeyPath &base, std::u16string_view subKey) {
    return DeleteWith(base, subKey, [](const std::string &folder, bool /*namedKey*/) -> LONG {
        return HasSubFolder(folder) ? ERROR_ACCESS_DENIED : RemoveFolderTree(folder);
    });
}

LONG RegistryStore::DeleteTree(const KeyPath &base, std::u16string_view subKey) {
    return DeleteWith(base, subKey, [](const std::string &folder, bool namedKey) -> LONG {
        if (namedKey)
            return RemoveFolderTree(folder);
        // Without a subkey only the key's subkeys go; the key stays.
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (const LONG status = RemoveFolderTree(it->path()); status != ERROR_SUCCESS)
                return status;
        }
        return error ? Win32ErrorFromErrno(error.value(), ERROR_ACCESS_DENIED) : ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteWith(const KeyPath &base, std::u16string_view subKey,
                               const std::function<LONG(const std::string &, bool)> &remove) {
    if (m_root.empty())
        return ERROR_PATH_NOT_FOUND;
    std::vector<std::u16string> names;
    if (const LONG status = SplitKeyPath(subKey, &names); status != ERROR_SUCCESS)
        return status;
    if (base.empty() && names.empty())
        return ERROR_ACCESS_DENIED;
    WriteLock lock(m_root);
    if (lock.Error() != ERROR_SUCCESS)
        return lock.Error();
    KeyPath key;
    if (const LONG status = Resolve(base, names, &key); status != ERROR_SUCCESS)
        return status;
    return remove(Folder(key), !names.empty());
}

LONG RegistryStore::ReadString(std::u16string_view keyPath, std::u16string_view name,
                               std::u16string *text) const {
    KeyPath key;
    RegistryValue value;
    if (const LONG status = Open({}, keyPath, &key); status != ERROR_SUCCESS)
        return status;
    if (const LONG status = QueryValue(key, name, &value); status != ERROR_SUCCESS)
        return status;
    if (value.type != REG_SZ)
        return ERROR_INVALID_DATA;
    *text = StringFromValueData(value.data);
    return ERROR_SUCCESS;
}

LONG RegistryStore::SetString(const KeyPath &key, std::u16string_view name,
                              std::u16string_view text) {
    const std::vector<BYTE> data = StringValueData(text);
    return SetValue(key, name, REG_SZ, data);
}

std::vector<BYTE> StringValueData(std::u16string_view text) {
    std::vector<BYTE> data((text.size() + 1) * sizeof(char16_t));
    if (!text.empty())
        std::memcpy(data.data(), text.data(), text.size() * sizeof(char16_t));
    return data;
}

std::u16string StringFromValueData(std::span<const BYTE> data) {
    std::u16string text(data.size() / sizeof(char16_t), u'\0');
    if (!text.empty())
        std::memcpy(text.data(), data.data(), text.size() * sizeof(char16_t));
    return text.substr(0, text.find(u'\0'));
}
