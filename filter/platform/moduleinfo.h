// Facts about the running filter library and the small services the filter takes from the
// system: where the library lies (its pictures ship beside it), a millisecond tick, and a
// last-resort message to the user.
//
// Stateless; callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>

namespace Kestra {

// Folder of the shared library (or program) this code is linked into; empty if unknown.
std::filesystem::path ModuleFolder();

// Milliseconds since an arbitrary start, never going back.
uint64_t TickCountMs();

// Tells the user about a failure the video application would otherwise swallow. Text and
// caption are UTF-8.
void ShowErrorBox(const char *text, const char *caption);

} // namespace Kestra
