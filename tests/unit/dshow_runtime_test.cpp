#include "baseclasses/comref.h"
#include "runtime/devenum.h"
#include "runtime/filterdata.h"
#include "runtime/filtergraph.h"
#include "runtime/wide.h"
#include "support/testcomserver.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}
constexpr GUID kSampleGuid = {
    0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
constexpr GUID kCamera1 = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr GUID kCamera2 = {0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
constexpr GUID kCamera3 = {0x33333333, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : m_name(name) {
        if (const char *old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

// Closes a registry key at the end of a scope.
class Key {
public:
    explicit Key(HKEY key = nullptr) : m_key(key) {}
    ~Key() {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    HKEY get() const { return m_key; }
    HKEY *out() { return &m_key; }

private:
    HKEY m_key;
};

std::u16string Text(REFGUID guid) {
    WCHAR text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

LONG SetString(HKEY key, LPCWSTR name, std::u16string_view text) {
    const std::u16string data(text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(WCHAR)));
}

std::optional<std::u16string> QueryString(HKEY key, LPCWSTR name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::u16string text(size / sizeof(WCHAR), u'\0');
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    return text.substr(0, text.find(u'\0'));
}

std::vector<std::u16string> SubKeyNames(HKEY key) {
    std::vector<std::u16string> names;
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

// Every test gets a registry of its own below a fresh temporary folder.
class RuntimeTest : public ::testing::Test {
protected:
    RuntimeTest() {
        std::string pattern = (fs::temp_directory_path() / "kestra-dshow-test.XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        root = dir / "classes";
        m_env.emplace("KESTRA_DSHOW_REGISTRY", root.c_str());
    }
    ~RuntimeTest() override {
        m_env.reset();
        fs::remove_all(dir);
    }

    fs::path dir;
    fs::path root;

private:
    std::optional<ScopedEnv> m_env;
};

// --- Registry ---------------------------------------------------------------------------------

using RegistryTest = RuntimeTest;

TEST_F(RegistryTest, CreateKeyMakesMissingParentsAndFindsThemInAnyCase) {
    Key key;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\Kestra\\Pin", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.out(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    Key again;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"clsid\\KESTRA\\pin", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, again.out(), &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_TRUE(fs::is_directory(root / "CLSID" / "Kestra" / "Pin"));
    EXPECT_FALSE(fs::exists(root / "clsid"));

    Key relative;
    EXPECT_EQ(RegOpenKeyExW(key.get(), nullptr, 0, KEY_READ, relative.out()), ERROR_SUCCESS);
    Key missing;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\Other", 0, KEY_READ, missing.out()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.get(), nullptr);
}

TEST_F(RegistryTest, ClosedOrForeignHandlesAreRefused) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"A", &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetString(key, u"x", u"y"), ERROR_INVALID_HANDLE);
    int notAKey = 0;
    EXPECT_EQ(RegDeleteTreeW(reinterpret_cast<HKEY>(&notAKey), nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ValuesFollowTheSizeProtocolAndMatchNamesInAnyCase) {
    Key key;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Values", key.out()), ERROR_SUCCESS);
    // Stored text gains its terminator even when the caller did not count one.
    const std::u16string name = u"Kestra Camera1";
    ASSERT_EQ(RegSetValueExW(key.get(), u"FriendlyName", 0, REG_SZ,
                             reinterpret_cast<const BYTE *>(name.data()),
                             static_cast<DWORD>(name.size() * sizeof(WCHAR))),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key.get(), u"friendlyname", nullptr, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (name.size() + 1) * sizeof(WCHAR));
    BYTE small[4];
    DWORD smallSize = sizeof(small);
    EXPECT_EQ(RegQueryValueExW(key.get(), u"FriendlyName", nullptr, nullptr, small, &smallSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(QueryString(key.get(), u"FriendlyName"), name);

    const DWORD merit = MERIT_NORMAL;
    ASSERT_EQ(RegSetValueExW(key.get(), u"Merit", 0, REG_DWORD,
                             reinterpret_cast<const BYTE *>(&merit), sizeof(merit)),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key.get(), u"Merit", 0, REG_DWORD,
                             reinterpret_cast<const BYTE *>(&merit), 2),
              ERROR_INVALID_PARAMETER);
    const BYTE blob[] = {0, 1, 2, 0xFF};
    ASSERT_EQ(RegSetValueExW(key.get(), u"Data", 0, REG_BINARY, blob, sizeof(blob)), ERROR_SUCCESS);
    DWORD read = 0;
    size = sizeof(read);
    ASSERT_EQ(RegQueryValueExW(key.get(), u"MERIT", nullptr, &type, reinterpret_cast<BYTE *>(&read),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read, merit);
    BYTE readBlob[8] = {};
    size = sizeof(readBlob);
    ASSERT_EQ(RegQueryValueExW(key.get(), u"Data", nullptr, &type, readBlob, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(blob));
    EXPECT_EQ(std::memcmp(readBlob, blob, sizeof(blob)), 0);
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Absent", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, SetValueWritesTheDefaultValueOfASubKey) {
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"CLSID\\{X}\\InprocServer32", REG_SZ,
                           u"/opt/kestra/KestraCamera.so", 0),
              ERROR_SUCCESS);
    Key key;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{x}\\InprocServer32", 0, KEY_READ, key.out()),
        ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key.get(), nullptr), u"/opt/kestra/KestraCamera.so");
    EXPECT_EQ(QueryString(key.get(), u""), u"/opt/kestra/KestraCamera.so");
    EXPECT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"CLSID", REG_BINARY, u"x", 0),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, SubKeysEnumerateInCaseInsensitiveOrder) {
    Key parent;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Parent", parent.out()), ERROR_SUCCESS);
    for (const char16_t *name : {u"beta", u"Alpha", u"gamma", u"alpha2"}) {
        Key child;
        ASSERT_EQ(RegCreateKeyW(parent.get(), name, child.out()), ERROR_SUCCESS);
    }
    EXPECT_EQ(SubKeyNames(parent.get()),
              (std::vector<std::u16string>{u"Alpha", u"alpha2", u"beta", u"gamma"}));
    WCHAR name[4];
    DWORD length = 4;
    EXPECT_EQ(RegEnumKeyExW(parent.get(), 1, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    length = 4;
    EXPECT_EQ(RegEnumKeyExW(parent.get(), 4, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithSubKeysAndDeleteTreeTakesEverything) {
    Key tree;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Tree\\Branch\\Leaf", tree.out()), ERROR_SUCCESS);
    ASSERT_EQ(SetString(tree.get(), u"Name", u"leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Tree\\Branch"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"tree\\branch\\leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Tree\\Branch\\Leaf"), ERROR_FILE_NOT_FOUND);
    // A handle to a deleted key writes nowhere.
    EXPECT_EQ(SetString(tree.get(), u"Name", u"again"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(root / "Tree" / "Branch" / "Leaf"));

    Key branch;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Tree\\Branch\\A\\B", branch.out()), ERROR_SUCCESS);
    Key top;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Tree", 0, KEY_ALL_ACCESS, top.out()),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(top.get(), u"Kept", u"no"), ERROR_SUCCESS);
    // Without a sub-key the tree's contents go and the key itself stays.
    EXPECT_EQ(RegDeleteTreeW(top.get(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeyNames(top.get()).empty());
    EXPECT_EQ(QueryString(top.get(), u"Kept"), std::nullopt);
    EXPECT_TRUE(fs::is_directory(root / "Tree"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"TREE"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(root / "Tree"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Tree"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, nullptr), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, OddNamesAreRejectedAndNothingLeavesTheRoot) {
    const char16_t loneSurrogate[] = {u'a', 0xD800, u'\0'};
    for (const char16_t *name : {u"..", u".", u"a\\..\\..\\escape", u"/etc", u"a/b", u"a\\\\b",
                                 u"\\a", u"a\\", u".kestra-values", loneSurrogate}) {
        Key key;
        EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, name, key.out()), ERROR_INVALID_PARAMETER)
            << ToUtf8(name);
        EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, name), ERROR_INVALID_PARAMETER);
    }
    const std::u16string tooLong(256, u'k');
    Key key;
    EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, tooLong.c_str(), key.out()),
              ERROR_INVALID_PARAMETER);
    // The leading dot of a file-type key is fine.
    Key extension;
    EXPECT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u".txt", extension.out()), ERROR_SUCCESS);
    std::vector<fs::path> outside;
    for (const auto &entry : fs::directory_iterator(dir))
        outside.push_back(entry.path().filename());
    EXPECT_EQ(outside, std::vector<fs::path>{"classes"});
}

TEST_F(RegistryTest, DamagedValueFilesReadAsInvalidData) {
    Key key;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Damaged", key.out()), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.get(), u"Name", u"a fairly long value to cut short"), ERROR_SUCCESS);
    const fs::path file = root / "Damaged" / ".kestra-values";
    const auto intact = fs::file_size(file);
    for (auto length : {intact - 1, intact / 2, uintmax_t{3}}) {
        fs::resize_file(file, length);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key.get(), u"Name", nullptr, nullptr, nullptr, &size),
                  ERROR_INVALID_DATA)
            << length;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "KRGV\x01\0\0\0\xFF\xFF\xFF\xFF";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Name", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_DATA);
}

TEST_F(RegistryTest, ReadersNeverSeeAHalfWrittenValueFile) {
    Key key;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"Atomic", key.out()), ERROR_SUCCESS);
    const std::vector<BYTE> small(64, 'a'), large(8192, 'b');
    ASSERT_EQ(RegSetValueExW(key.get(), u"Data", 0, REG_BINARY, small.data(), 64), ERROR_SUCCESS);
    std::atomic<int> writeFailures{0};
    std::thread writer([&] {
        for (int i = 0; i < 1000; ++i) {
            const std::vector<BYTE> &data = i % 2 ? small : large;
            if (RegSetValueExW(key.get(), u"Data", 0, REG_BINARY, data.data(),
                               static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
                ++writeFailures;
        }
    });
    int torn = 0;
    std::vector<BYTE> buffer(16384);
    for (int i = 0; i < 1000; ++i) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (RegQueryValueExW(key.get(), u"Data", nullptr, nullptr, buffer.data(), &size) !=
            ERROR_SUCCESS) {
            ++torn;
            continue;
        }
        const bool whole = (size == 64 && std::equal(small.begin(), small.end(), buffer.begin())) ||
                           (size == 8192 && std::equal(large.begin(), large.end(), buffer.begin()));
        torn += whole ? 0 : 1;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(writeFailures, 0);
}

TEST_F(RegistryTest, WritersInTwoProcessesLoseNoValue) {
    constexpr int kPerProcess = 50;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            HKEY key = nullptr;
            bool ok = RegCreateKeyW(HKEY_CLASSES_ROOT, u"Shared", &key) == ERROR_SUCCESS;
            for (DWORD i = 0; ok && i < kPerProcess; ++i) {
                const std::u16string name =
                    (child ? u"second" : u"first") + ToUtf16(std::to_string(i));
                ok = RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE *>(&i), sizeof(i)) == ERROR_SUCCESS;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Key key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Shared", 0, KEY_READ, key.out()), ERROR_SUCCESS);
    for (const char16_t *prefix : {u"first", u"second"}) {
        for (DWORD i = 0; i < kPerProcess; ++i) {
            const std::u16string name = prefix + ToUtf16(std::to_string(i));
            DWORD value = 0, size = sizeof(value);
            EXPECT_EQ(RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE *>(&value), &size),
                      ERROR_SUCCESS)
                << ToUtf8(name);
            EXPECT_EQ(value, i);
        }
    }
}

TEST_F(RegistryTest, WithoutAnExplicitRootTheStoreLivesInTheUsersDataFolder) {
    ScopedEnv noRoot("KESTRA_DSHOW_REGISTRY", nullptr);
    {
        ScopedEnv data("XDG_DATA_HOME", (dir / "data").c_str());
        Key key;
        ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID", key.out()), ERROR_SUCCESS);
        EXPECT_TRUE(fs::is_directory(dir / "data" / "kestra-dshow" / "classes" / "CLSID"));
    }
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", (dir / "home").c_str());
    Key key;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID", key.out()), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(dir / "home" / ".local/share/kestra-dshow/classes/CLSID"));
}

// --- GUID text --------------------------------------------------------------------------------

TEST(GuidText, StringFromGuidWritesBracedUpperCaseHex) {
    WCHAR text[39];
    EXPECT_EQ(StringFromGUID2(kSampleGuid, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
    EXPECT_EQ(StringFromGUID2(kSampleGuid, text, 38), 0);
}

TEST(GuidText, ClassIdFromStringReadsEitherCaseAndRejectsMalformedText) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}", &clsid), S_OK);
    EXPECT_EQ(clsid, kSampleGuid);
    EXPECT_EQ(CLSIDFromString(Text(CLSID_VideoInputDeviceCategory).c_str(), &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_VideoInputDeviceCategory);
    for (const char16_t *bad :
         {u"", u"{", u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9",
          u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}x",
          u"{0A1B2C3D+4E5F-6071-8293-A4B5C6D7E8F9}", u"{0A1B2C3G-4E5F-6071-8293-A4B5C6D7E8F9}",
          u"Kestra.Camera"}) {
        // An exact-size copy, so reading past the terminator would be caught by ASan.
        const size_t length = std::char_traits<char16_t>::length(bad);
        const auto copy = std::make_unique<char16_t[]>(length + 1);
        std::copy(bad, bad + length + 1, copy.get());
        EXPECT_EQ(CLSIDFromString(copy.get(), &clsid), CO_E_CLASSSTRING) << ToUtf8(bad);
        EXPECT_EQ(clsid, GUID_NULL);
    }
    EXPECT_EQ(CLSIDFromString(u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", nullptr), E_INVALIDARG);
}

// --- Text conversion --------------------------------------------------------------------------

TEST(TextConversion, Utf8ToUtf16FollowsTheWin32SizeProtocol) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "Cam", -1, nullptr, 0), 4);
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Cam", -1, out, 8), 4);
    EXPECT_EQ(std::u16string(out), u"Cam");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "Camera", 3, out, 8), 3);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "Camera", -1, out, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "Cam", -1, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(TextConversion, SurrogatePairsRoundTripAndInvalidInputBecomesReplacement) {
    const std::string emoji = "\xF0\x9F\x98\x80"; // U+1F600
    EXPECT_EQ(ToUtf16(emoji), u"\xD83D\xDE00");
    EXPECT_EQ(ToUtf8(u"\xD83D\xDE00"), emoji);
    EXPECT_EQ(ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
    // Overlong, an encoded surrogate, a stray continuation, a sequence cut short.
    EXPECT_EQ(ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");
    EXPECT_EQ(ToUtf16("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");
    EXPECT_EQ(ToUtf16("a\x80z"), u"a\xFFFDz");
    EXPECT_EQ(ToUtf16("\xE2\x82"), u"\xFFFD");
    EXPECT_EQ(ToUtf16("\xF4\x90\x80\x80"), u"\xFFFD\xFFFD\xFFFD\xFFFD");
    const char16_t lone[] = {u'a', 0xD83D, u'b', 0xDE00, 0};
    EXPECT_EQ(ToUtf8(lone), "a\xEF\xBF\xBD"
                            "b\xEF\xBF\xBD");

    char out[16];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\xD83D\xDE00", -1, out, 16, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(out), emoji);
    // A sequence cut at the input length is not completed from the bytes after it.
    WCHAR wide[4];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, emoji.data(), 2, wide, 4), 1);
    EXPECT_EQ(wide[0], u'\xFFFD');
    BOOL usedDefault = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"x", -1, out, 16, nullptr, &usedDefault), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// --- Module and thread services ---------------------------------------------------------------

TEST(ModuleServices, ModuleFileNameNamesTheLibraryHoldingAnAddress) {
    char path[PATH_MAX];
    const DWORD length =
        GetModuleFileNameA(reinterpret_cast<HMODULE>(&CoTaskMemAlloc), path, sizeof(path));
    ASSERT_GT(length, 0u);
    EXPECT_EQ(fs::path(std::string(path, length)), fs::canonical(KESTRA_DSHOW_LIBRARY));

    const fs::path self = fs::read_symlink("/proc/self/exe");
    EXPECT_GT(GetModuleFileNameA(nullptr, path, sizeof(path)), 0u);
    EXPECT_EQ(fs::path(path), self);
    WCHAR wide[PATH_MAX];
    static int inThisProgram = 0;
    EXPECT_GT(GetModuleFileNameW(&inThisProgram, wide, PATH_MAX), 0u);
    EXPECT_EQ(ToUtf8(wide), self.string());

    // Truncated like Windows: what fits, a terminator, the buffer size and an error.
    char shortPath[5];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, shortPath, 5), 5u);
    EXPECT_EQ(std::string(shortPath), self.string().substr(0, 4));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(16), path, sizeof(path)), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ModuleServices, LastErrorAndInitialisationCountAreKeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    std::thread([] {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
        SetLastError(ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    }).join();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

// --- Filter mapper and device enumeration -----------------------------------------------------

const REGPINTYPES kPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2},
                                 {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(u"Capture"), FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr, 2, kPinTypes}};

REGFILTER2 CameraFilter() {
    REGFILTER2 filter{};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins = 1;
    filter.rgPins = kPins;
    return filter;
}

class FilterMapperTest : public RuntimeTest {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterMapper2, reinterpret_cast<void **>(mapper.Out())),
                  S_OK);
    }
    HRESULT Register(REFCLSID clsid, LPCWSTR name) {
        const REGFILTER2 filter = CameraFilter();
        return mapper->RegisterFilter(clsid, name, nullptr, &CLSID_VideoInputDeviceCategory,
                                      nullptr, &filter);
    }
    std::u16string InstancePath() const {
        return u"CLSID\\" + Text(CLSID_VideoInputDeviceCategory) + u"\\Instance";
    }

    ComRef<IFilterMapper2> mapper;
};

TEST_F(FilterMapperTest, RegisteringTwiceLeavesOneInstanceWithItsValues) {
    ASSERT_EQ(Register(kCamera1, u"Kestra Camera1"), S_OK);
    ASSERT_EQ(Register(kCamera1, u"Kestra Camera1"), S_OK);
    Key instances;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CLASSES_ROOT, InstancePath().c_str(), 0, KEY_READ, instances.out()),
        ERROR_SUCCESS);
    ASSERT_EQ(SubKeyNames(instances.get()), std::vector<std::u16string>{Text(kCamera1)});

    Key instance;
    ASSERT_EQ(RegOpenKeyExW(instances.get(), Text(kCamera1).c_str(), 0, KEY_READ, instance.out()),
              ERROR_SUCCESS);
    EXPECT_EQ(QueryString(instance.get(), u"FriendlyName"), u"Kestra Camera1");
    EXPECT_EQ(QueryString(instance.get(), u"CLSID"), Text(kCamera1));
    std::vector<BYTE> bytes(4096);
    DWORD size = static_cast<DWORD>(bytes.size()), type = 0;
    ASSERT_EQ(RegQueryValueExW(instance.get(), u"FilterData", nullptr, &type, bytes.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const std::optional<FilterData> data = FilterData::Decode({bytes.data(), size});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->merit, static_cast<DWORD>(MERIT_DO_NOT_USE));
    ASSERT_EQ(data->pins.size(), 1u);
    EXPECT_EQ(data->pins[0].name, u"Capture");
    EXPECT_EQ(data->pins[0].flags, FilterPinData::kPinOutput);
    ASSERT_EQ(data->pins[0].mediaTypes.size(), 2u);
    EXPECT_EQ(data->pins[0].mediaTypes[1].second, MEDIASUBTYPE_RGB24);
}

TEST_F(FilterMapperTest, UnregisterRemovesTheInstanceOnce) {
    ASSERT_EQ(Register(kCamera1, u"Kestra Camera1"), S_OK);
    EXPECT_EQ(mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, kCamera1), S_OK);
    Key instance;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (InstancePath() + u"\\" + Text(kCamera1)).c_str(), 0,
                            KEY_READ, instance.out()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, kCamera1),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilterMapperTest, RefusesBadRegistrationsAndAggregation) {
    REGFILTER2 filter = CameraFilter();
    filter.dwVersion = 3;
    EXPECT_EQ(mapper->RegisterFilter(kCamera1, u"x", nullptr, nullptr, nullptr, &filter),
              E_INVALIDARG);
    filter = CameraFilter();
    EXPECT_EQ(mapper->RegisterFilter(kCamera1, u"x", nullptr, nullptr, u"..\\..", &filter),
              E_INVALIDARG);
    EXPECT_EQ(mapper->RegisterFilter(kCamera1, u"x", nullptr, nullptr, nullptr, nullptr),
              E_POINTER);
    IUnknown *object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, reinterpret_cast<IUnknown *>(mapper.get()),
                               CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void **>(&object)),
              CLASS_E_NOAGGREGATION);
}

TEST(FilterDataFormat, BothVersionsRoundTripAndDamagedDataIsRejected) {
    const REGPINMEDIUM medium{kSampleGuid, 7, 9};
    const REGFILTERPINS2 pins2[] = {{FilterPinData::kPinOutput | FilterPinData::kPinMany, 4, 2,
                                     kPinTypes, 1, &medium, &PIN_CATEGORY_CAPTURE}};
    REGFILTER2 filter{};
    filter.dwVersion = 2;
    filter.dwMerit = MERIT_NORMAL;
    filter.cPins2 = 1;
    filter.rgPins2 = pins2;
    FilterData data;
    ASSERT_EQ(FilterData::FromRegFilter2(filter, &data), S_OK);
    const std::vector<BYTE> bytes = data.Encode();
    const std::optional<FilterData> decoded = FilterData::Decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->version, 2u);
    ASSERT_EQ(decoded->pins.size(), 1u);
    EXPECT_EQ(decoded->pins[0].instances, 4u);
    EXPECT_EQ(decoded->pins[0].category, PIN_CATEGORY_CAPTURE);
    ASSERT_EQ(decoded->pins[0].mediums.size(), 1u);
    EXPECT_EQ(decoded->pins[0].mediums[0].clsMedium, kSampleGuid);
    EXPECT_EQ(decoded->pins[0].mediums[0].dw2, 9u);

    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(FilterData::Decode({bytes.data(), length})) << length;
    std::vector<BYTE> newer = bytes;
    newer[4] = 2; // format version
    EXPECT_FALSE(FilterData::Decode(newer));
    std::vector<BYTE> manyPins = bytes;
    manyPins[16] = 0xFF; // pin count
    EXPECT_FALSE(FilterData::Decode(manyPins));
}

TEST_F(FilterMapperTest, CategoryEnumerationListsCompleteEntriesByFriendlyName) {
    std::vector<DeviceEntry> devices;
    EXPECT_EQ(EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices), S_FALSE);
    EXPECT_TRUE(devices.empty());
    ASSERT_EQ(Register(kCamera3, u"Kestra Camera3"), S_OK);
    ASSERT_EQ(Register(kCamera1, u"Kestra Camera1"), S_OK);
    ASSERT_EQ(Register(kCamera2, u"Kestra Camera2"), S_OK);
    Key incomplete;
    ASSERT_EQ(
        RegCreateKeyW(HKEY_CLASSES_ROOT, (InstancePath() + u"\\Broken").c_str(), incomplete.out()),
        ERROR_SUCCESS);
    ASSERT_EQ(SetString(incomplete.get(), u"FriendlyName", u"A Broken One"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(incomplete.get(), u"CLSID", u"{not a clsid}"), ERROR_SUCCESS);

    ASSERT_EQ(EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices), S_OK);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].friendlyName, u"Kestra Camera1");
    EXPECT_EQ(devices[0].clsid, kCamera1);
    EXPECT_EQ(devices[1].friendlyName, u"Kestra Camera2");
    EXPECT_EQ(devices[2].clsid, kCamera3);
    EXPECT_EQ(EnumerateCategory(CLSID_LegacyAmFilterCategory, &devices), S_FALSE);
}

// --- CoCreateInstance of in-process servers ---------------------------------------------------

bool IsLoaded(const char *path) {
    void *handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

class InprocServerTest : public RuntimeTest {
protected:
    void RegisterServer(REFCLSID clsid, const std::string &library) {
        ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT,
                               (u"CLSID\\" + Text(clsid) + u"\\InprocServer32").c_str(), REG_SZ,
                               ToUtf16(library).c_str(), 0),
                  ERROR_SUCCESS);
    }
    HRESULT Create(REFIID riid, IUnknown **object) {
        return CoCreateInstance(CLSID_KestraTestObject, nullptr, CLSCTX_INPROC_SERVER, riid,
                                reinterpret_cast<void **>(object));
    }
};

TEST_F(InprocServerTest, FailuresNameTheMissingPiece) {
    IUnknown *object = reinterpret_cast<IUnknown *>(this);
    EXPECT_EQ(Create(IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    RegisterServer(CLSID_KestraTestObject, (dir / "missing.so").string());
    EXPECT_EQ(Create(IID_IUnknown, &object), CO_E_DLLNOTFOUND);
    RegisterServer(CLSID_KestraTestObject, KESTRA_DSHOW_LIBRARY); // no DllGetClassObject
    EXPECT_EQ(Create(IID_IUnknown, &object), CO_E_ERRORINDLL);
    RegisterServer(CLSID_KestraTestObject, KESTRA_TEST_COM_SERVER);
    EXPECT_EQ(CoCreateInstance(CLSID_KestraTestObject, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void **>(&object)),
              REGDB_E_CLASSNOTREG);
}

TEST_F(InprocServerTest, CreatesTheObjectAndUnloadsTheLibraryOnlyWhenItAllows) {
    RegisterServer(CLSID_KestraTestObject, KESTRA_TEST_COM_SERVER);
    ASSERT_FALSE(IsLoaded(KESTRA_TEST_COM_SERVER));
    IUnknown *persist = nullptr;
    ASSERT_EQ(Create(IID_IPersist, &persist), S_OK);
    CLSID clsid{};
    EXPECT_EQ(static_cast<IPersist *>(persist)->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_KestraTestObject);
    IUnknown *filter = nullptr;
    EXPECT_EQ(Create(IID_IBaseFilter, &filter), E_NOINTERFACE);
    EXPECT_EQ(CreateDeviceFilter({u"Test", CLSID_KestraTestObject},
                                 reinterpret_cast<IBaseFilter **>(&filter)),
              E_NOINTERFACE);

    CoFreeUnusedLibraries(); // an object is alive: DllCanUnloadNow says S_FALSE
    EXPECT_TRUE(IsLoaded(KESTRA_TEST_COM_SERVER));
    persist->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(KESTRA_TEST_COM_SERVER));
}

// --- Filter graph -----------------------------------------------------------------------------

class FakeFilter;

// A pin that connects with its own subtype unless told one, and records what it agreed.
class FakePin final : public IPin {
public:
    FakePin(FakeFilter *filter, PIN_DIRECTION direction, const GUID &subtype)
        : m_filter(filter), m_direction(direction), format(subtype) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
        if (riid != IID_IUnknown && riid != IID_IPin)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Connect(IPin *receiver, const AM_MEDIA_TYPE *pmt) override {
        if (peer)
            return VFW_E_ALREADY_CONNECTED;
        AM_MEDIA_TYPE type{};
        type.majortype = MEDIATYPE_Video;
        type.subtype = pmt ? pmt->subtype : format;
        if (const HRESULT hr = receiver->ReceiveConnection(this, &type); FAILED(hr))
            return hr;
        peer = ComRef<IPin>::Share(receiver);
        connected = type.subtype;
        ++connects;
        return S_OK;
    }
    STDMETHODIMP ReceiveConnection(IPin *connector, const AM_MEDIA_TYPE *pmt) override {
        if (peer)
            return VFW_E_ALREADY_CONNECTED;
        if (onReceive)
            onReceive();
        peer = ComRef<IPin>::Share(connector);
        connected = pmt->subtype;
        return S_OK;
    }
    STDMETHODIMP Disconnect() override {
        const bool was = static_cast<bool>(peer);
        peer = {};
        return was ? S_OK : S_FALSE;
    }
    STDMETHODIMP ConnectedTo(IPin **pin) override {
        *pin = peer.get();
        if (!peer)
            return VFW_E_NOT_CONNECTED;
        peer->AddRef();
        return S_OK;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryPinInfo(PIN_INFO *info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION *direction) override {
        *direction = m_direction;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR *) override { return E_NOTIMPL; }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *) override { return S_OK; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes **) override { return E_NOTIMPL; }
    STDMETHODIMP QueryInternalConnections(IPin **, ULONG *) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    FakeFilter *m_filter;
    PIN_DIRECTION m_direction;
    GUID format; // what Connect offers without a given type
    GUID connected = GUID_NULL;
    int connects = 0;
    std::function<void()> onReceive;
    ComRef<IPin> peer;
};

// Enumerates a filter's pins, holding the filter.
class FakePinEnum final : public IEnumPins {
public:
    FakePinEnum(IBaseFilter *owner, std::vector<IPin *> pins)
        : m_owner(ComRef<IBaseFilter>::Share(owner)), m_pins(std::move(pins)) {}
    STDMETHODIMP QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    STDMETHODIMP Next(ULONG count, IPin **pins, ULONG *fetched) override {
        ULONG n = 0;
        for (; n < count && m_next < m_pins.size(); ++n) {
            pins[n] = m_pins[m_next++];
            pins[n]->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override { return E_NOTIMPL; }
    STDMETHODIMP Clone(IEnumPins **) override { return E_NOTIMPL; }

private:
    ComRef<IBaseFilter> m_owner;
    std::vector<IPin *> m_pins;
    size_t m_next = 0;
    ULONG m_refs = 1;
};

// A filter that logs the graph's calls. Pins share the filter's reference count.
class FakeFilter final : public IBaseFilter {
public:
    explicit FakeFilter(std::vector<std::pair<PIN_DIRECTION, GUID>> pins) {
        for (const auto &[direction, subtype] : pins)
            m_pins.push_back(std::make_unique<FakePin>(this, direction, subtype));
    }
    FakePin *pin(size_t n) const { return m_pins[n].get(); }
    ULONG refs() const { return m_refs; }

    STDMETHODIMP QueryInterface(REFIID, void **) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }
    STDMETHODIMP GetClassID(CLSID *) override { return E_NOTIMPL; }
    STDMETHODIMP Stop() override {
        calls.push_back("Stop");
        return S_OK;
    }
    STDMETHODIMP Pause() override {
        calls.push_back("Pause");
        if (pauseOrder)
            pauseOrder->push_back(this);
        return S_OK;
    }
    STDMETHODIMP Run(REFERENCE_TIME start) override {
        calls.push_back("Run");
        runStart = start;
        return runResult;
    }
    STDMETHODIMP GetState(DWORD, FILTER_STATE *) override { return E_NOTIMPL; }
    STDMETHODIMP SetSyncSource(IReferenceClock *pClock) override {
        clock = ComRef<IReferenceClock>::Share(pClock);
        return S_OK;
    }
    STDMETHODIMP GetSyncSource(IReferenceClock **) override { return E_NOTIMPL; }
    STDMETHODIMP EnumPins(IEnumPins **pins) override {
        std::vector<IPin *> list;
        for (const auto &pin : m_pins)
            list.push_back(pin.get());
        *pins = new FakePinEnum(this, std::move(list));
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin **) override { return E_NOTIMPL; }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO *) override { return E_NOTIMPL; }
    STDMETHODIMP JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pName) override {
        graph = pGraph;
        name = pName ? pName : u"";
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR *) override { return E_NOTIMPL; }

    std::vector<std::string> calls;
    std::vector<FakeFilter *> *pauseOrder = nullptr; // shared by filters to compare order
    IFilterGraph *graph = nullptr;
    std::u16string name;
    ComRef<IReferenceClock> clock;
    REFERENCE_TIME runStart = -1;
    HRESULT runResult = S_OK;

private:
    ~FakeFilter() = default;

    std::vector<std::unique_ptr<FakePin>> m_pins;
    ULONG m_refs = 1;
};

STDMETHODIMP_(ULONG) FakePin::AddRef() {
    return m_filter->AddRef();
}
STDMETHODIMP_(ULONG) FakePin::Release() {
    return m_filter->Release();
}
STDMETHODIMP FakePin::QueryPinInfo(PIN_INFO *info) {
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = m_direction;
    info->achName[0] = u'\0';
    return S_OK;
}

class FilterGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        FilterGraph *created = nullptr;
        ASSERT_EQ(FilterGraph::Create(&created), S_OK);
        graph = ComRef<FilterGraph>::Adopt(created);
        ASSERT_EQ(graph->AddFilter(source, u"Source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sink, u"Sink"), S_OK);
    }
    void TearDown() override {
        graph = {};
        // The released graph let go of both filters.
        EXPECT_EQ(source->refs(), 1u);
        EXPECT_EQ(sink->refs(), 1u);
        source->Release();
        sink->Release();
    }
    HRESULT Connect() { return graph->ConnectDirect(source->pin(0), sink->pin(0), nullptr); }

    FakeFilter *source = new FakeFilter({{PINDIR_OUTPUT, MEDIASUBTYPE_YUY2}});
    FakeFilter *sink = new FakeFilter({{PINDIR_INPUT, GUID_NULL}});
    ComRef<FilterGraph> graph;
};

TEST_F(FilterGraphTest, AddFilterJoinsEachFilterUnderAUniqueName) {
    EXPECT_EQ(source->graph, graph.get());
    EXPECT_EQ(source->name, u"Source");
    FakeFilter *twin = new FakeFilter({});
    EXPECT_EQ(graph->AddFilter(twin, u"Source"), S_OK);
    EXPECT_EQ(twin->name, u"Source 0001");
    EXPECT_EQ(graph->AddFilter(twin, u"Again"), E_INVALIDARG);
    ComRef<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName(u"Source 0001", found.Out()), S_OK);
    EXPECT_EQ(found.get(), twin);
    EXPECT_EQ(graph->FindFilterByName(u"Nobody", found.Out()), VFW_E_NOT_FOUND);
    found = {};

    ComRef<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.Out()), S_OK);
    IBaseFilter *all[4] = {};
    ULONG fetched = 0;
    EXPECT_EQ(filters->Next(4, all, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 3u);
    for (ULONG i = 0; i < fetched; ++i)
        all[i]->Release();
    filters = {}; // the enumerator holds its own references

    EXPECT_EQ(graph->RemoveFilter(twin), S_OK);
    EXPECT_EQ(twin->graph, nullptr);
    EXPECT_EQ(graph->RemoveFilter(twin), VFW_E_NOT_FOUND);
    EXPECT_EQ(twin->refs(), 1u);
    twin->Release();
}

TEST_F(FilterGraphTest, RunPausesThenRunsEveryFilterOnTheGraphClock) {
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(graph->State(), State_Running);
    for (FakeFilter *filter : {source, sink}) {
        EXPECT_EQ(filter->calls, (std::vector<std::string>{"Pause", "Run"}));
        ASSERT_TRUE(filter->clock);
        EXPECT_EQ(filter->clock.get(), source->clock.get());
        REFERENCE_TIME now = 0;
        ASSERT_EQ(filter->clock->GetTime(&now), S_OK);
        EXPECT_GE(now, filter->runStart);
        EXPECT_LT(now - filter->runStart, 10'000'000); // within a second
    }
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(graph->State(), State_Stopped);
    EXPECT_EQ(sink->calls.back(), "Stop");
    EXPECT_EQ(source->calls.back(), "Stop");
}

TEST_F(FilterGraphTest, ADownstreamFilterIsPausedBeforeTheFilterFeedingIt) {
    // Added source first: a source started first would deliver into a stopped sink.
    ASSERT_EQ(Connect(), S_OK);
    std::vector<FakeFilter *> order;
    source->pauseOrder = &order;
    sink->pauseOrder = &order;
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(order, (std::vector<FakeFilter *>{sink, source}));
    ASSERT_EQ(graph->Stop(), S_OK);
}

TEST_F(FilterGraphTest, AFilterFailingToRunStopsTheGraph) {
    sink->runResult = E_FAIL;
    EXPECT_EQ(graph->Run(), E_FAIL);
    EXPECT_EQ(graph->State(), State_Stopped);
    EXPECT_EQ(source->calls.back(), "Stop");
}

TEST_F(FilterGraphTest, ReconnectRenegotiatesTheOutputFormatOnlyWhileStopped) {
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(sink->pin(0)->connected, MEDIASUBTYPE_YUY2);
    source->pin(0)->format = MEDIASUBTYPE_RGB24;
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(graph->Reconnect(sink->pin(0)), VFW_E_WRONG_STATE);
    EXPECT_EQ(graph->Disconnect(sink->pin(0)), VFW_E_NOT_STOPPED);
    ASSERT_EQ(graph->Stop(), S_OK);
    // The pin on either end may ask; the graph may be called back meanwhile.
    bool calledBack = false;
    sink->pin(0)->onReceive = [&] {
        calledBack = graph->State() == State_Stopped;
        ComRef<IEnumFilters> filters;
        graph->EnumFilters(filters.Out());
    };
    ASSERT_EQ(graph->Reconnect(sink->pin(0)), S_OK);
    EXPECT_TRUE(calledBack);
    EXPECT_EQ(sink->pin(0)->connected, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(source->pin(0)->connects, 2);
    sink->pin(0)->onReceive = nullptr;
    ASSERT_EQ(graph->Disconnect(sink->pin(0)), S_OK);
    EXPECT_EQ(graph->Reconnect(sink->pin(0)), VFW_E_NOT_CONNECTED);
}

TEST_F(FilterGraphTest, ConnectDirectTakesOnlyPinsOfFiltersInTheGraph) {
    FakeFilter *stranger = new FakeFilter({{PINDIR_INPUT, GUID_NULL}});
    EXPECT_EQ(graph->ConnectDirect(source->pin(0), stranger->pin(0), nullptr), VFW_E_NOT_IN_GRAPH);
    EXPECT_FALSE(source->pin(0)->peer);
    stranger->Release();
    AM_MEDIA_TYPE rgb{};
    rgb.subtype = MEDIASUBTYPE_RGB32;
    ASSERT_EQ(graph->ConnectDirect(source->pin(0), sink->pin(0), &rgb), S_OK);
    EXPECT_EQ(sink->pin(0)->connected, MEDIASUBTYPE_RGB32);
}

TEST_F(FilterGraphTest, ReleasingTheGraphStopsAndDisconnectsItsFilters) {
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    source->AddRef(); // watch the filters outlive the graph
    sink->AddRef();
    graph = {};
    EXPECT_EQ(source->calls.back(), "Stop");
    EXPECT_FALSE(source->pin(0)->peer);
    EXPECT_FALSE(sink->pin(0)->peer);
    EXPECT_EQ(sink->graph, nullptr);
    source->Release();
    sink->Release();
}

} // namespace
