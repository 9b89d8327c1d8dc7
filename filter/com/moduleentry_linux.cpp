// Linux calls no entry point when it loads or unloads a library: the library's constructor
// and destructor stand in for the process attach and detach that Windows sends DllMain.
#include "dllentry.h"

namespace {

// Any address inside the library names it (dladdr finds the file).
char g_moduleAnchor;

__attribute__((constructor)) void AttachModule() {
    DllMain(&g_moduleAnchor, DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void DetachModule() {
    DllMain(&g_moduleAnchor, DLL_PROCESS_DETACH, nullptr);
}

} // namespace
