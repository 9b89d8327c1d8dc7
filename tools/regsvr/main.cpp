// kestra-regsvr: registers or unregisters an in-process COM server library, as regsvr32 does
// on Windows: load the library, call its registration entry points, report.
//
//   kestra-regsvr [-u] [-s] [-n] [-i[:<cmdline>]] <library>
//
// Options take '-' or '/' like regsvr32's. Without -n, DllRegisterServer (or with -u
// DllUnregisterServer) runs; -i then also calls DllInstall(TRUE, cmdline), or with -u first
// DllInstall(FALSE, cmdline). -n skips the register/unregister call and needs -i. A library path
// also starts with '/', so only the exact option spellings count as options: "/i:single" is
// one, "/usr/lib/x.so" is the library.
//
// Prints one line per entry point that succeeded ("registered <path>", "unregistered <path>",
// "installed <path>" or "uninstalled <path>", the last two followed by " /i:<cmdline>" when
// one was given) unless -s, and exits 0. A library that cannot be found or loaded, lacks an
// entry point or whose entry point fails gives a line on stderr (also with -s: the caller's log
// needs it) and exit status 1; a usage error exits 2. Single-threaded.
#include <dlfcn.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

// HRESULT (STDAPICALLTYPE *)() and HRESULT (STDAPICALLTYPE *)(BOOL, LPCWSTR): the tool only
// loads the server and needs none of COM's headers.
using EntryPoint = int32_t (*)();
using InstallEntryPoint = int32_t (*)(int32_t, const char16_t *);

constexpr const char *kUsageText =
    "usage: kestra-regsvr [-u] [-s] [-n] [-i[:<cmdline>]] <library>\n";

// A usage error: what was wrong, then the usage.
int Usage(const std::string &why) {
    std::fprintf(stderr, "kestra-regsvr: %s\n%s", why.c_str(), kUsageText);
    return kUsageError;
}

int Help() {
    std::printf("%s"
                "Registers a COM server library in this user's registry store, as regsvr32 does:\n"
                "  -u            unregister (DllUnregisterServer; with -i, DllInstall first)\n"
                "  -s            silent: print nothing on success\n"
                "  -n            do not call DllRegisterServer/DllUnregisterServer (needs -i)\n"
                "  -i[:cmdline]  call DllInstall with cmdline (after registering, or before\n"
                "                unregistering)\n"
                "Options may also start with '/'. The store is $KESTRA_DSHOW_REGISTRY, else the\n"
                "user's data folder.\n",
                kUsageText);
    return 0;
}

// The option letter of "-x" or "/x" (and of "-i:..."/"/i:..."), else 0.
char OptionLetter(std::string_view argument) {
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/'))
        return 0;
    const char letter = argument[1];
    if (argument.size() == 2 && (letter == 'u' || letter == 's' || letter == 'n' || letter == 'i'))
        return letter;
    if (letter == 'i' && argument[2] == ':')
        return letter;
    return 0;
}

// The length of the UTF-8 sequence a lead byte starts and the code bits it carries.
int SequenceLength(unsigned char lead, char32_t *bits) {
    if (lead < 0x80) {
        *bits = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        *bits = lead & 0x1F;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        *bits = lead & 0x0F;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        *bits = lead & 0x07;
        return 4;
    }
    return 0;
}

// The server takes a wide command line. A malformed byte becomes U+FFFD.
std::u16string ToUtf16(std::string_view text) {
    std::u16string result;
    size_t i = 0;
    while (i < text.size()) {
        char32_t code = 0;
        const int length = SequenceLength(static_cast<unsigned char>(text[i]), &code);
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            result.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return result;
}

void *Symbol(void *handle, const std::filesystem::path &path, const char *name) {
    void *symbol = ::dlsym(handle, name);
    if (!symbol)
        std::fprintf(stderr, "kestra-regsvr: %s has no %s\n", path.c_str(), name);
    return symbol;
}

bool Succeeded(int32_t hr, const char *entryName, const std::filesystem::path &path) {
    if (hr >= 0)
        return true;
    std::fprintf(stderr, "kestra-regsvr: %s failed in %s: 0x%08" PRIX32 "\n", entryName,
                 path.c_str(), static_cast<uint32_t>(hr));
    return false;
}

} // namespace

int main(int argc, char **argv) {
    bool unregister = false;
    bool silent = false;
    bool noRegisterCall = false;
    bool install = false;
    std::string_view commandLine;
    const char *library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?")
            return Help();
        const char option = OptionLetter(argument);
        bool *flag = option == 'u'   ? &unregister
                     : option == 's' ? &silent
                     : option == 'n' ? &noRegisterCall
                     : option == 'i' ? &install
                                     : nullptr;
        if (flag && !*flag) {
            *flag = true;
            if (option == 'i' && argument.size() > 2)
                commandLine = argument.substr(3);
        } else if (!option && !argument.empty() && argument.front() != '-' && !library) {
            library = argv[i];
        } else if (library && !option) {
            return Usage("one library at a time, not also " + std::string(argument));
        } else {
            return Usage(flag ? std::string(argument) + " given twice"
                              : "unknown option " + std::string(argument));
        }
    }
    if (!library)
        return Usage("which library?");
    // Without -i, -n would leave nothing to call.
    if (noRegisterCall && !install)
        return Usage("-n needs -i");

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
    // The library stays loaded until the process ends a moment later: unloading it first
    // would only leave leak checkers with allocations of its dependencies they can no longer
    // attribute.
    const char *serverName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    EntryPoint server = nullptr;
    InstallEntryPoint installer = nullptr;
    // Both entry points are looked up first, so a missing one changes nothing.
    if (!noRegisterCall) {
        server = reinterpret_cast<EntryPoint>(Symbol(handle, path, serverName));
        if (!server)
            return kFailed;
    }
    if (install) {
        installer = reinterpret_cast<InstallEntryPoint>(Symbol(handle, path, "DllInstall"));
        if (!installer)
            return kFailed;
    }

    const std::u16string wideCommandLine = ToUtf16(commandLine);
    const std::string modeSuffix = commandLine.empty() ? "" : " /i:" + std::string(commandLine);
    // Installing builds on a registered server and uninstalling comes before its removal, the
    // order regsvr32 calls them in.
    const auto runServer = [&] {
        if (!Succeeded(server(), serverName, path))
            return false;
        if (!silent)
            std::printf("%s %s\n", unregister ? "unregistered" : "registered", path.c_str());
        return true;
    };
    const auto runInstall = [&] {
        if (!Succeeded(installer(unregister ? 0 : 1, wideCommandLine.c_str()), "DllInstall", path))
            return false;
        if (!silent)
            std::printf("%s %s%s\n", unregister ? "uninstalled" : "installed", path.c_str(),
                        modeSuffix.c_str());
        return true;
    };
    const bool ok = unregister ? (!installer || runInstall()) && (!server || runServer())
                               : (!server || runServer()) && (!installer || runInstall());
    return ok ? 0 : kFailed;
}
