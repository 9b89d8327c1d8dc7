// KestraLive's per-user folder, which the filter shares with it: the pairing file lies in its
// "ini" folder and the filter's logs in its "log" folder beside KestraLive's own.
//
// Windows: C:<HOMEPATH>\AppData\Local\kestraLive. Elsewhere: what Qt's AppConfigLocation is
// for the program, $XDG_CONFIG_HOME/KestraLive with $HOME/.config for an empty variable.
//
// Stateless; callable from any thread. Reads the environment on every call.
#pragma once

#include <filesystem>

namespace Kestra {

std::filesystem::path KestraLiveFolder();

} // namespace Kestra
