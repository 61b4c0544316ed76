#include "platform/ExecutableDir.h"

#include <filesystem>

namespace platform {

std::string ExecutableDir() {
    // The link always names an absolute path; should the file have been
    // replaced while running, the kernel appends " (deleted)" to the last
    // component only, so the directory part stays right.
    const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    // The root directory is the empty text, so that "/" and a name can follow.
    return dir == "/" ? std::string() : dir.string();
}

}  // namespace platform
