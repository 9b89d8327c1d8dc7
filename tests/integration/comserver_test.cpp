// The KestraCamera COM server as applications, kestra-regsvr and KestraLive's registration
// scripts meet it: the real library loaded with dlopen, registering into a private registry
// root and writing its log under a private configuration root for each test.
#include "support/childprocess.h"
#include "support/qtprint.h"
#include "support/tempconfigroot.h"

#include "runtime/devenum.h"
#include "runtime/filterdata.h"
#include "runtime/wide.h"

#include <dshow.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void **);
using ServerFunction = HRESULT (*)();
using InstallFunction = HRESULT (*)(BOOL, LPCWSTR);

constexpr int kProcessTimeoutMs = 30000;

constexpr GUID kCameraIds[] = {
    {0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5D}},
    {0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5E}},
    {0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5F}},
    {0x9FAB6582, 0x1EC6, 0x46BA, {0xA9, 0x43, 0x8F, 0xA7, 0x2C, 0xAF, 0x7B, 0x5C}},
};
const std::u16string kCameraNames[] = {u"Kestra Camera1", u"Kestra Camera2", u"Kestra Camera3",
                                       u"Kestra Camera4"};

// A library loaded for the test and the server entry points it exports.
struct ServerLibrary {
    explicit ServerLibrary(const fs::path &path)
        : handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle)
            return;
        getClassObject =
            reinterpret_cast<GetClassObjectFunction>(::dlsym(handle, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<ServerFunction>(::dlsym(handle, "DllCanUnloadNow"));
        registerServer = reinterpret_cast<ServerFunction>(::dlsym(handle, "DllRegisterServer"));
        unregisterServer = reinterpret_cast<ServerFunction>(::dlsym(handle, "DllUnregisterServer"));
        install = reinterpret_cast<InstallFunction>(::dlsym(handle, "DllInstall"));
    }
    ~ServerLibrary() {
        if (handle)
            ::dlclose(handle);
    }
    bool isValid() const {
        return getClassObject && canUnloadNow && registerServer && unregisterServer && install;
    }

    void *handle;
    GetClassObjectFunction getClassObject = nullptr;
    ServerFunction canUnloadNow = nullptr;
    ServerFunction registerServer = nullptr;
    ServerFunction unregisterServer = nullptr;
    InstallFunction install = nullptr;
};

std::u16string ClassKey(REFCLSID clsid) {
    WCHAR text[39] = {};
    StringFromGUID2(clsid, text, 39);
    return u"CLSID\\" + std::u16string(text);
}

bool KeyExists(const std::u16string &path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value, or "<missing>".
std::u16string StringValue(const std::u16string &path, const char16_t *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return u"<missing>";
    WCHAR value[1024] = {};
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(value) - sizeof(WCHAR);
    const LONG error =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(value), &bytes);
    RegCloseKey(key);
    return error == ERROR_SUCCESS && type == REG_SZ ? std::u16string(value) : u"<missing>";
}

std::vector<BYTE> BinaryValue(const std::u16string &path, const char16_t *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> value(4096);
    DWORD bytes = static_cast<DWORD>(value.size());
    const LONG error = RegQueryValueExW(key, name, nullptr, nullptr, value.data(), &bytes);
    RegCloseKey(key);
    value.resize(error == ERROR_SUCCESS ? bytes : 0);
    return value;
}

std::vector<std::u16string> VideoInputNames() {
    std::vector<DeviceEntry> devices;
    EXPECT_TRUE(SUCCEEDED(EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices)));
    std::vector<std::u16string> names;
    for (const DeviceEntry &device : devices)
        names.push_back(device.friendlyName);
    return names;
}

std::string ReadFile(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// An outer object for aggregation requests; never asked for anything here.
struct OuterObject : IUnknown {
    STDMETHODIMP QueryInterface(REFIID, void **ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

// Each test gets its own registry root and configuration root; the library stays loaded for
// the whole suite, as an application would keep it.
class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_library = new ServerLibrary(LibraryPath()); }
    static void TearDownTestSuite() {
        delete s_library;
        s_library = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        ASSERT_TRUE(s_library->isValid()) << ::dlerror();
        ::setenv("KESTRA_DSHOW_REGISTRY", m_config.path("registry").toLocal8Bit().constData(), 1);
        ASSERT_EQ(Library().canUnloadNow(), S_OK) << "an earlier test leaked an object";
    }
    void TearDown() override { ::unsetenv("KESTRA_DSHOW_REGISTRY"); }

    static fs::path LibraryPath() { return fs::canonical(KESTRA_CAMERA_LIBRARY); }
    static const ServerLibrary &Library() { return *s_library; }

    IClassFactory *Factory(REFCLSID clsid) {
        IClassFactory *factory = nullptr;
        EXPECT_EQ(
            Library().getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void **>(&factory)),
            S_OK);
        return factory;
    }

    // Runs a program with the test's environment; returns its exit code.
    int Run(ChildProcess &process, const QString &program, const QStringList &args) {
        EXPECT_TRUE(process.start(program, args, m_config.environment()))
            << process.describe().toStdString();
        EXPECT_TRUE(process.waitForExit(kProcessTimeoutMs)) << process.describe().toStdString();
        return process.exitCode();
    }

    // A copy of the library whose full path does not fit the 260-byte module-path buffer.
    fs::path LongPathCopy() {
        fs::path folder = m_config.path("long").toStdString();
        while (folder.native().size() < 300)
            folder /= std::string(60, 'k');
        fs::create_directories(folder);
        fs::copy_file(LibraryPath(), folder / "KestraCamera.so");
        return folder / "KestraCamera.so";
    }

    TempConfigRoot m_config;
    static ServerLibrary *s_library;
};

ServerLibrary *ComServerTest::s_library = nullptr;

using ComServerRegistration = ComServerTest;

TEST_F(ComServerRegistration, RegisteringTwiceListsEachCameraOnceInTheVideoInputCategory) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    ASSERT_EQ(Library().registerServer(), S_OK);
    EXPECT_THAT(VideoInputNames(),
                ElementsAre(kCameraNames[0], kCameraNames[1], kCameraNames[2], kCameraNames[3]));
}

TEST_F(ComServerRegistration, WritesEachClassWithTheLibraryPathAndBothThreadingModel) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    const std::u16string library = ToUtf16(LibraryPath().string());
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row + 1);
        const std::u16string key = ClassKey(kCameraIds[row]);
        EXPECT_EQ(StringValue(key, nullptr), kCameraNames[row]);
        EXPECT_EQ(StringValue(key + u"\\InprocServer32", nullptr), library);
        EXPECT_EQ(StringValue(key + u"\\InprocServer32", u"ThreadingModel"), u"Both");
    }
}

TEST_F(ComServerRegistration, CategoryEntriesOfferOneVideoOutputPinNeverPickedAutomatically) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    for (const GUID &clsid : kCameraIds) {
        const std::u16string entry =
            ClassKey(CLSID_VideoInputDeviceCategory) + u"\\Instance\\" + ClassKey(clsid).substr(6);
        const std::vector<BYTE> bytes = BinaryValue(entry, u"FilterData");
        const std::optional<FilterData> data = FilterData::Decode(bytes);
        ASSERT_TRUE(data.has_value()) << ToUtf8(entry);
        EXPECT_EQ(data->merit, static_cast<DWORD>(MERIT_DO_NOT_USE));
        ASSERT_EQ(data->pins.size(), 1u);
        EXPECT_EQ(data->pins[0].flags, FilterPinData::kPinOutput);
        EXPECT_EQ(data->pins[0].name, u"Video");
        ASSERT_EQ(data->pins[0].mediaTypes.size(), 1u);
        EXPECT_EQ(data->pins[0].mediaTypes[0].first, MEDIATYPE_Video);
        EXPECT_EQ(data->pins[0].mediaTypes[0].second, MEDIASUBTYPE_YUY2);
    }
}

TEST_F(ComServerRegistration, UnregisteringRemovesTheCategoryEntriesAndTheClassKeys) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    ASSERT_EQ(Library().unregisterServer(), S_OK);
    EXPECT_TRUE(VideoInputNames().empty());
    for (const GUID &clsid : kCameraIds)
        EXPECT_FALSE(KeyExists(ClassKey(clsid)));
    // Nothing left to remove is no failure.
    EXPECT_EQ(Library().unregisterServer(), S_OK);
}

TEST_F(ComServerRegistration, ModulePathTooLongForItsBufferFailsBeforeWritingAnything) {
    const ServerLibrary copy(LongPathCopy());
    ASSERT_TRUE(copy.isValid()) << ::dlerror();
    EXPECT_EQ(copy.registerServer(), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(KeyExists(ClassKey(kCameraIds[0])));
    EXPECT_TRUE(VideoInputNames().empty());
}

TEST_F(ComServerRegistration, RegisteredCamerasOfEverySlotReportTheFirstRowsClassId) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    std::vector<DeviceEntry> devices;
    ASSERT_EQ(EnumerateCategory(CLSID_VideoInputDeviceCategory, &devices), S_OK);
    ASSERT_EQ(devices.size(), 4u);
    for (const DeviceEntry &device : devices) {
        SCOPED_TRACE(ToUtf8(device.friendlyName));
        IBaseFilter *filter = nullptr;
        ASSERT_EQ(CreateDeviceFilter(device, &filter), S_OK);
        CLSID clsid{};
        EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
        EXPECT_EQ(clsid, kCameraIds[0]);
        filter->Release();
    }
}

TEST_F(ComServerRegistration, InstallModeIsCaseInsensitiveDefaultsToAllFourAndUninstallRemovesAll) {
    ASSERT_EQ(Library().registerServer(), S_OK);
    EXPECT_EQ(Library().install(TRUE, u"Single"), S_OK);
    EXPECT_THAT(VideoInputNames(), ElementsAre(kCameraNames[0]));
    EXPECT_TRUE(KeyExists(ClassKey(kCameraIds[0])));
    EXPECT_FALSE(KeyExists(ClassKey(kCameraIds[3])));

    for (const char16_t *commandLine : {u"MULTI", u"", static_cast<const char16_t *>(nullptr)}) {
        ASSERT_EQ(Library().install(TRUE, u"single"), S_OK);
        EXPECT_EQ(Library().install(TRUE, commandLine), S_OK);
        EXPECT_EQ(VideoInputNames().size(), 4u) << (commandLine ? ToUtf8(commandLine) : "null");
    }

    EXPECT_EQ(Library().install(FALSE, u"single"), S_OK);
    EXPECT_TRUE(VideoInputNames().empty());
    for (const GUID &clsid : kCameraIds)
        EXPECT_FALSE(KeyExists(ClassKey(clsid)));
}

using ComServerClassObject = ComServerTest;

TEST_F(ComServerClassObject, RefusesUnknownClassesAndOtherInterfacesClearingTheOutPointer) {
    void *object = this;
    EXPECT_EQ(Library().getClassObject(IID_IBaseFilter, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    object = this;
    EXPECT_EQ(Library().getClassObject(kCameraIds[0], IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    IUnknown *factory = nullptr;
    ASSERT_EQ(
        Library().getClassObject(kCameraIds[2], IID_IUnknown, reinterpret_cast<void **>(&factory)),
        S_OK);
    EXPECT_EQ(factory->Release(), 0u);
}

using ComServerClassFactory = ComServerTest;

TEST_F(ComServerClassFactory, AggregationAsksForIUnknownOnly) {
    IClassFactory *factory = Factory(kCameraIds[0]);
    ASSERT_NE(factory, nullptr);
    OuterObject outer;
    void *object = this;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory->Release();
}

TEST_F(ComServerClassFactory, LockServerKeepsTheServerLoadedUntilUnlocked) {
    IClassFactory *factory = Factory(kCameraIds[0]);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(Library().canUnloadNow(), S_FALSE);

    factory = Factory(kCameraIds[0]);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(Library().canUnloadNow(), S_OK);
}

TEST_F(ComServerClassFactory, LiveFilterKeepsTheServerLoaded) {
    IClassFactory *factory = Factory(kCameraIds[3]);
    ASSERT_NE(factory, nullptr);
    IBaseFilter *filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&filter)),
              S_OK);
    factory->Release();
    EXPECT_EQ(Library().canUnloadNow(), S_FALSE);
    filter->Release();
    EXPECT_EQ(Library().canUnloadNow(), S_OK);
}

TEST_F(ComServerClassFactory, CreatingAFilterStartsItsSlotLogAfresh) {
    const fs::path logFolder = m_config.configRoot().toStdString() + "/log";
    ASSERT_TRUE(fs::create_directories(logFolder));
    std::ofstream(logFolder / "vclog2.log") << "line of an earlier filter\n";

    IClassFactory *factory = Factory(kCameraIds[1]);
    ASSERT_NE(factory, nullptr);
    IBaseFilter *filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void **>(&filter)),
              S_OK);
    factory->Release();
    const std::string log = ReadFile(logFolder / "vclog2.log");
    filter->Release();
    EXPECT_THAT(log, StartsWith("=====VCLogInitialize()=====\r\n\r\n"));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("earlier filter")));
}

// An application's COM runtime loads the library for each filter and unloads it once the
// filter is gone: nothing the library opened may stay open in the application.
TEST_F(ComServerClassFactory, LoadingAndUnloadingTheLibraryLeavesNoFileOpen) {
    ASSERT_TRUE(fs::create_directories(m_config.configRoot().toStdString() + "/log"));
    // A copy that the suite does not hold loaded, so that it really unloads.
    const fs::path copy = fs::path(m_config.path("copy").toStdString()) / "KestraCamera.so";
    fs::create_directories(copy.parent_path());
    fs::copy_file(LibraryPath(), copy);
    {
        const ServerLibrary registering(copy);
        ASSERT_TRUE(registering.isValid()) << ::dlerror();
        ASSERT_EQ(registering.registerServer(), S_OK);
    }
    const auto openFiles = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto loaded = [&copy] {
        return ReadFile("/proc/self/maps").find(copy.string()) != std::string::npos;
    };
    const auto before = openFiles();
    for (int round = 0; round < 5; ++round) {
        IBaseFilter *filter = nullptr;
        ASSERT_EQ(CoCreateInstance(kCameraIds[round % 4], nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, reinterpret_cast<void **>(&filter)),
                  S_OK);
        EXPECT_TRUE(loaded());
        filter->Release();
        CoFreeUnusedLibraries();
        EXPECT_FALSE(loaded());
    }
    EXPECT_EQ(openFiles(), before);
    EXPECT_THAT(ReadFile(m_config.configRoot().toStdString() + "/log/vclog1.log"),
                StartsWith("=====VCLogInitialize()=====\r\n\r\n"));
}

using KestraRegsvr = ComServerTest;

TEST_F(KestraRegsvr, RegistersAndUnregistersWithExitStatusZero) {
    const QString library = QString::fromStdString(LibraryPath().string());
    ChildProcess registering;
    EXPECT_EQ(Run(registering, KESTRA_REGSVR, {library}), 0)
        << registering.describe().toStdString();
    EXPECT_EQ(registering.standardOutput(), "registered " + library + "\n");
    EXPECT_EQ(VideoInputNames().size(), 4u);

    ChildProcess unregistering;
    EXPECT_EQ(Run(unregistering, KESTRA_REGSVR, {"-u", library}), 0)
        << unregistering.describe().toStdString();
    EXPECT_EQ(unregistering.standardOutput(), "unregistered " + library + "\n");
    EXPECT_TRUE(VideoInputNames().empty());
}

TEST_F(KestraRegsvr, InstallOptionsCallDllInstallInRegsvr32sOrder) {
    const QString library = QString::fromStdString(LibraryPath().string());
    // Registering all four first, then installing single mode, leaves camera 1 alone.
    ChildProcess installing;
    EXPECT_EQ(Run(installing, KESTRA_REGSVR, {"/i:single", library}), 0)
        << installing.describe().toStdString();
    EXPECT_EQ(installing.standardOutput(),
              "registered " + library + "\ninstalled " + library + " /i:single\n");
    EXPECT_THAT(VideoInputNames(), ElementsAre(kCameraNames[0]));

    ChildProcess multi;
    EXPECT_EQ(Run(multi, KESTRA_REGSVR, {"-s", "-n", "-i:multi", library}), 0)
        << multi.describe().toStdString();
    EXPECT_TRUE(multi.standardOutput().isEmpty());
    EXPECT_EQ(VideoInputNames().size(), 4u);

    // An unknown mode fails in DllInstall and reaches the caller's log even when silent.
    ChildProcess unknown;
    EXPECT_EQ(Run(unknown, KESTRA_REGSVR, {"/s", "/n", "/i:triple", library}), 1);
    EXPECT_THAT(unknown.standardError().toStdString(), HasSubstr("DllInstall failed"));
    EXPECT_THAT(unknown.standardError().toStdString(), HasSubstr("0x80070057"));
    EXPECT_EQ(VideoInputNames().size(), 4u);

    ChildProcess uninstalling;
    EXPECT_EQ(Run(uninstalling, KESTRA_REGSVR, {"/u", "/i", library}), 0)
        << uninstalling.describe().toStdString();
    EXPECT_EQ(uninstalling.standardOutput(),
              "uninstalled " + library + "\nunregistered " + library + "\n");
    EXPECT_TRUE(VideoInputNames().empty());
}

TEST_F(KestraRegsvr, FailingRegistrationReportsItsResultAndExitsNonZero) {
    const fs::path copy = LongPathCopy();
    ChildProcess process;
    EXPECT_NE(Run(process, KESTRA_REGSVR, {QString::fromStdString(copy.string())}), 0);
    EXPECT_THAT(process.standardError().toStdString(), HasSubstr("0x8007007A"));
}

// Registering over a damaged store fails, naming the file and what is wrong with it.
TEST_F(KestraRegsvr, ADamagedRegistryStoreIsNamedWhenRegisteringFails) {
    const QString library = QString::fromStdString(LibraryPath().string());
    ChildProcess registering;
    ASSERT_EQ(Run(registering, KESTRA_REGSVR, {library}), 0)
        << registering.describe().toStdString();
    std::string damaged;
    for (const auto &entry :
         fs::recursive_directory_iterator(m_config.path("registry").toStdString()))
        if (entry.path().filename() == ".kestra-values" &&
            entry.path().string().find("InprocServer32") != std::string::npos) {
            damaged = entry.path().string();
            break;
        }
    ASSERT_FALSE(damaged.empty());
    std::ofstream(damaged, std::ios::trunc) << "not a value file";

    ChildProcess again;
    EXPECT_NE(Run(again, KESTRA_REGSVR, {library}), 0);
    const std::string errors = again.standardError().toStdString();
    EXPECT_THAT(errors, HasSubstr("0x8007000D"));
    EXPECT_THAT(errors, HasSubstr("the registry store file " + damaged + " is damaged"));
}

TEST_F(KestraRegsvr, LibraryWithoutTheEntryPointsOrMissingFileFails) {
    // The COM runtime itself: a real library that is no COM server.
    Dl_info info{};
    ASSERT_NE(::dladdr(reinterpret_cast<void *>(&EnumerateCategory), &info), 0);
    ChildProcess plainLibrary;
    EXPECT_NE(Run(plainLibrary, KESTRA_REGSVR, {info.dli_fname}), 0);
    EXPECT_THAT(plainLibrary.standardError().toStdString(), HasSubstr("DllRegisterServer"));

    ChildProcess missing;
    EXPECT_NE(Run(missing, KESTRA_REGSVR, {m_config.path("absent.so")}), 0);
}

TEST_F(KestraRegsvr, UsageErrorsExitTwoAndSayWhatWasWrong) {
    const QString library = QString::fromStdString(LibraryPath().string());
    // "/n" without "/i" would call nothing; "-x" is no option, and a library must be named once.
    const std::pair<QStringList, QString> wrong[] = {
        {{}, "which library?"},
        {{"-x", library}, "unknown option -x"},
        {{library, library}, "one library at a time, not also " + library},
        {{"/n", library}, "-n needs -i"},
        {{"/u", "-u", library}, "-u given twice"},
        {{"/i:multi"}, "which library?"},
    };
    for (const auto &[args, reason] : wrong) {
        ChildProcess process;
        EXPECT_EQ(Run(process, KESTRA_REGSVR, args), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(process.standardError().startsWith("kestra-regsvr: " + reason + "\n"))
            << process.standardError().toStdString();
    }
    ChildProcess help;
    EXPECT_EQ(Run(help, KESTRA_REGSVR, {"--help"}), 0);
    EXPECT_TRUE(help.standardOutput().contains("-i[:cmdline]  call DllInstall"));
}

using RegistrationScripts = ComServerTest;

// Switching modes back and forth must leave exactly the chosen mode's cameras, so a video
// application never offers a camera nothing feeds.
TEST_F(RegistrationScripts, SingleModeListsCamera1AloneAndMultiModeAllFourWhenRunAsKestraLiveDoes) {
    const auto runScript = [this](const char *script) {
        ChildProcess process;
        EXPECT_EQ(Run(process, QString(KESTRA_KESTRALIVE_FOLDER "/") + script, {"runas"}), 0)
            << script << ": " << process.describe().toStdString();
    };
    const std::u16string camera1Key = ClassKey(kCameraIds[0]);

    runScript("regsvrSingle.sh");
    EXPECT_THAT(VideoInputNames(), ElementsAre(kCameraNames[0]));
    EXPECT_EQ(StringValue(camera1Key + u"\\InprocServer32", nullptr),
              ToUtf16(LibraryPath().string()));
    EXPECT_FALSE(KeyExists(ClassKey(kCameraIds[1])));

    runScript("regsvrMulti.sh");
    EXPECT_THAT(VideoInputNames(),
                ElementsAre(kCameraNames[0], kCameraNames[1], kCameraNames[2], kCameraNames[3]));

    runScript("regsvrSingle.sh");
    EXPECT_THAT(VideoInputNames(), ElementsAre(kCameraNames[0]));
    for (int row = 1; row < 4; ++row)
        EXPECT_FALSE(KeyExists(ClassKey(kCameraIds[row]))) << row + 1;

    const QString library = QString::fromStdString(LibraryPath().string());
    ChildProcess unregistering;
    EXPECT_EQ(Run(unregistering, KESTRA_REGSVR, {"-u", library}), 0)
        << unregistering.describe().toStdString();
    EXPECT_TRUE(VideoInputNames().empty());
    EXPECT_FALSE(KeyExists(camera1Key));
}

} // namespace
