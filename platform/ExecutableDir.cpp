#include "platform/ExecutableDir.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace platform {

std::string ExecutableDir() {
    // readlink gives no length up front and silently truncates, so grow the
    // buffer until the whole path fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            throw std::system_error(errno, std::generic_category(),
                                    "Cannot find the program's own directory");
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(length));
            // The link always names an absolute path; should the file have
            // been replaced while running, the kernel appends " (deleted)" to
            // the last component only, so the directory part stays right.
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) {
                throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                        "Cannot find the program's own directory");
            }
            path.resize(slash);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
