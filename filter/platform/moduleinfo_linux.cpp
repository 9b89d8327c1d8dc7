#include "moduleinfo.h"

#include <chrono>
#include <cstdio>
#include <dlfcn.h>

namespace Kestra {

std::filesystem::path ModuleFolder() {
    // Any function of this file lies in the module it is linked into.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void *>(&ModuleFolder), &info) == 0 || !info.dli_fname ||
        !*info.dli_fname)
        return {};
    std::error_code error;
    std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
    if (error)
        return {};
    return file.parent_path();
}

uint64_t TickCountMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// No desktop toolkit may be loaded into the application: the note goes where its
// diagnostics go.
void ShowErrorBox(const char *text, const char *caption) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

} // namespace Kestra
