// kestra-regsvr: registers or unregisters an in-process COM server library, as regsvr32 does
// on Windows: load the library, call its DllRegisterServer or DllUnregisterServer, report.
//
//   kestra-regsvr [-u] <library>
//
// Prints "registered <path>" or "unregistered <path>" and exits 0 on success; a library that
// cannot be found or loaded, lacks the entry point or whose entry point fails gives a line on
// stderr and exit status 1; a usage error exits 2. Single-threaded.
#include <dlfcn.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

// HRESULT (STDAPICALLTYPE *)(): the tool only loads the server and needs none of COM's headers.
using EntryPoint = int32_t (*)();

int Usage() {
    std::fputs("usage: kestra-regsvr [-u] <library>\n", stderr);
    return kUsageError;
}

} // namespace

int main(int argc, char **argv) {
    bool unregister = false;
    const char *library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-u" && !unregister)
            unregister = true;
        else if (!argument.empty() && argument.front() != '-' && !library)
            library = argv[i];
        else
            return Usage();
    }
    if (!library)
        return Usage();

    // The server registers the path it was loaded from, so it is loaded by its full path.
    std::error_code error;
    const std::filesystem::path path = std::filesystem::canonical(library, error);
    if (error) {
        std::fprintf(stderr, "kestra-regsvr: cannot find %s: %s\n", library,
                     error.message().c_str());
        return kFailed;
    }
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "kestra-regsvr: cannot load %s: %s\n", path.c_str(), ::dlerror());
        return kFailed;
    }
    const char *entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto entry = reinterpret_cast<EntryPoint>(::dlsym(handle, entryName));
    if (!entry) {
        std::fprintf(stderr, "kestra-regsvr: %s has no %s\n", path.c_str(), entryName);
        ::dlclose(handle);
        return kFailed;
    }
    // The library stays loaded until the process ends a moment later: unloading it first
    // would only leave leak checkers with allocations of its dependencies they can no longer
    // attribute.
    const int32_t hr = entry();
    if (hr < 0) {
        std::fprintf(stderr, "kestra-regsvr: %s failed in %s: 0x%08" PRIX32 "\n", entryName,
                     path.c_str(), static_cast<uint32_t>(hr));
        return kFailed;
    }
    std::printf("%s %s\n", unregister ? "unregistered" : "registered", path.c_str());
    return 0;
}
