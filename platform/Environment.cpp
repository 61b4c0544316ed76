#include "platform/Environment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"

namespace platform {
namespace {

// 0 when the effective user may access `path` as `mode` asks, else the errno.
// Effective ids, as the open and rename of a save use them.
int AccessError(const std::string& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0 ? 0 : errno;
}

// In a sticky folder only the file's owner, the folder's owner and root may
// rename over a file.
bool StickyBlocksRename(const std::string& dir, const struct stat& file) {
    struct stat folder {};
    if (::stat(dir.c_str(), &folder) != 0 || (folder.st_mode & S_ISVTX) == 0) return false;
    const uid_t me = ::geteuid();
    return me != 0 && file.st_uid != me && folder.st_uid != me;
}

}  // namespace

std::optional<std::string> Environment::Variable(const std::string& name) const {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// Follows the steps of ReplaceFile: the file behind a symbolic link, the
// temporary file and the rename in that file's folder, then the write in
// place of an existing regular file.
bool Environment::RefusesReplace(const std::string& path) const {
    std::filesystem::path target = path;
    std::error_code error;
    if (std::filesystem::is_symlink(target, error)) {
        target = std::filesystem::canonical(target, error);
        if (error) return IsPermissionError(error.value());
    }
    // Built in one step: g++ 12 warns falsely (-Wrestrict) on assigning "." to
    // the string afterwards.
    const std::string dir =
        target.has_parent_path() ? target.parent_path().string() : std::string(1, '.');

    struct stat file {};
    const bool exists = ::stat(target.c_str(), &file) == 0;
    const int dirError = AccessError(dir, W_OK | X_OK);
    if (dirError == 0 && !(exists && StickyBlocksRename(dir, file))) return false;
    if (dirError != 0 && !IsPermissionError(dirError)) return false;

    // The folder refuses: only an existing regular file written in place is left.
    if (!exists || !S_ISREG(file.st_mode)) return true;
    return IsPermissionError(AccessError(target.string(), W_OK));
}

const Environment& SystemEnvironment() {
    static const Environment environment;
    return environment;
}

}  // namespace platform
