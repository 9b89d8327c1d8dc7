#include "pairingfile.h"

#include "configfolder.h"
#include "inireader.h"
#include "vcam/pairingfile.h"

#include <fstream>

namespace Kestra {

namespace {

// A pairing file is a few hundred bytes; anything far larger is not ours to parse whole.
constexpr std::streamsize kMaxFileSize = 1 << 20;

bool ReadSmallFile(const std::filesystem::path &path, std::string &content) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    content.resize(static_cast<std::size_t>(kMaxFileSize));
    file.read(content.data(), kMaxFileSize);
    content.resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

} // namespace

std::string ReadPairedCameraAddress(int slot) {
    std::string content;
    if (!ReadSmallFile(KestraLiveFolder() / vconfig::iniFolder / vconfig::fileName, content))
        return "Error";
    return FindIniValue(content, vconfig::section, vconfig::slotKey(slot)).value_or("Error");
}

} // namespace Kestra
