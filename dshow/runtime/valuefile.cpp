#include "valuefile.h"

#include "bytestream.h"
#include "uniquefd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t kMagic = 0x5647524B; // "KRGV" read as little-endian
constexpr uint32_t kVersion = 1;
constexpr size_t kMaxFileSize = 32u << 20;
constexpr uint32_t kMaxValues = 65536;

// A damaged store answers ERROR_INVALID_DATA, which callers can only show as 0x8007000D: the
// file and what is wrong with it go to stderr, once per file and process (there is no system
// event log to write to).
LONG Damaged(const std::string &path, const char *what) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard lock(mutex);
    if (reported.insert(path).second)
        std::fprintf(stderr,
                     "kestra-dshow: the registry store file %s is damaged (%s); removing it "
                     "empties that key\n",
                     path.c_str(), what);
    return ERROR_INVALID_DATA;
}

bool WriteAll(int fd, const std::vector<BYTE> &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

LONG Win32ErrorFromErrno(int error, LONG fallback) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
        return ERROR_INVALID_PARAMETER;
    default:
        return fallback;
    }
}

std::vector<BYTE> ValueFile::Encode(const std::vector<RegistryValue> &values) {
    ByteWriter out;
    out.U32(kMagic);
    out.U32(kVersion);
    out.U32(static_cast<uint32_t>(values.size()));
    for (const RegistryValue &value : values) {
        out.U32(value.type);
        out.U32(static_cast<uint32_t>(value.name.size()));
        out.U32(static_cast<uint32_t>(value.data.size()));
        out.Utf16(value.name);
        out.Bytes(value.data);
    }
    return out.Take();
}

std::optional<std::vector<RegistryValue>> ValueFile::Decode(std::span<const BYTE> bytes) {
    ByteReader in(bytes);
    uint32_t magic = 0, version = 0, count = 0;
    if (!in.U32(&magic) || !in.U32(&version) || !in.U32(&count) || magic != kMagic ||
        version != kVersion || count > kMaxValues)
        return std::nullopt;
    std::vector<RegistryValue> values(count);
    for (RegistryValue &value : values) {
        uint32_t nameLength = 0, dataLength = 0;
        if (!in.U32(&value.type) || !in.U32(&nameLength) || !in.U32(&dataLength) ||
            nameLength > ValueFile::kMaxNameLength || !in.Utf16(nameLength, &value.name) ||
            !in.Bytes(dataLength, &value.data))
            return std::nullopt;
    }
    if (!in.AtEnd())
        return std::nullopt;
    return values;
}

LONG ValueFile::Load(std::vector<RegistryValue> *values) const {
    values->clear();
    const std::string path = m_folder + "/" + kFileName;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT)
            return Win32ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
        // No file: a key without values, unless the key itself is gone.
        struct stat folder {};
        return ::stat(m_folder.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)
                   ? ERROR_SUCCESS
                   : ERROR_FILE_NOT_FOUND;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return Damaged(path, "not a regular file");
    if (static_cast<uint64_t>(info.st_size) > kMaxFileSize)
        return Damaged(path, "larger than 32 MiB");
    std::vector<BYTE> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Damaged(path, "cannot be read whole");
        done += static_cast<size_t>(n);
    }
    std::optional<std::vector<RegistryValue>> decoded = Decode(bytes);
    if (!decoded)
        return Damaged(path, "not a value file of this format, or cut short");
    *values = std::move(*decoded);
    return ERROR_SUCCESS;
}

LONG ValueFile::Store(const std::vector<RegistryValue> &values) const {
    std::vector<BYTE> bytes = Encode(values);
    if (values.size() > kMaxValues || bytes.size() > kMaxFileSize)
        return ERROR_INVALID_PARAMETER; // Load would refuse such a file
    const std::string path = m_folder + "/" + kFileName;
    std::string temporary = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return Win32ErrorFromErrno(errno, ERROR_WRITE_FAULT);
    const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!fd.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Win32ErrorFromErrno(error, ERROR_WRITE_FAULT);
    }
    // Make the rename itself durable.
    UniqueFd folder(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return ERROR_SUCCESS;
}
