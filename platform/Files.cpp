#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

namespace platform {

int FileOps::Open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags, mode);
}
ssize_t FileOps::Write(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
int FileOps::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileOps::Fsync(int fd) { return ::fsync(fd); }
int FileOps::Close(int fd) { return ::close(fd); }
int FileOps::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}
int FileOps::Unlink(const std::string& path) { return ::unlink(path.c_str()); }

FileOps& SystemFileOps() {
    static FileOps ops;
    return ops;
}

namespace {

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// The directory part of a path and the name within it.
struct PathParts {
    std::string dir;
    std::string name;
};

PathParts Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Open descriptors and the temporary file of one save, released on every way
// out unless the save completed.
class SaveState {
public:
    explicit SaveState(FileOps& ops) : ops_(ops) {}
    ~SaveState() {
        if (fd >= 0) ops_.Close(fd);
        if (!tempPath.empty()) ops_.Unlink(tempPath);
        if (dirFd >= 0) ops_.Close(dirFd);
    }
    SaveState(const SaveState&) = delete;
    SaveState& operator=(const SaveState&) = delete;

    int dirFd = -1;
    int fd = -1;
    std::string tempPath;  // empty once there is nothing to remove

private:
    FileOps& ops_;
};

std::atomic<unsigned> tempCounter{0};

}  // namespace

// Written on plain system calls rather than Qt's QSaveFile: with Qt 6.4 on a
// full disk, QSaveFile::write returned a short count with no error set and
// commit() still reported success, replacing a good file with a truncated one.
// Here every count and every return value is checked before the old file is
// touched, and storage stays free of Qt.
void ReplaceFile(const std::string& path, std::string_view content, FileOps& ops) {
    const auto fail = [&path](const std::string& reason) { throw FileError(path, reason); };
    const PathParts parts = Split(path);
    SaveState state(ops);

    // Opened first so that a directory the program may not use stops the
    // save before anything is created in it.
    state.dirFd = ops.Open(parts.dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (state.dirFd < 0) fail(ErrnoText(errno));

    // A name of its own for every attempt, so that two saves at once, or a
    // temporary left behind by a crash, never share a file.
    for (int attempt = 0; state.fd < 0; ++attempt) {
        std::string candidate = (parts.dir == "/" ? "" : parts.dir) + "/." + parts.name + "." +
                                std::to_string(::getpid()) + "." +
                                std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        state.fd = ops.Open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (state.fd >= 0) {
            state.tempPath = std::move(candidate);
        } else if (errno != EEXIST || attempt >= 100) {
            fail(ErrnoText(errno));
        }
    }

    // Keep the old file's permissions; a file system without them (such as
    // FAT) refuses, and the file then simply has the default ones.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ops.Fchmod(state.fd, old.st_mode & 07777);
    }

    std::size_t written = 0;
    while (written < content.size()) {
        const std::size_t wanted = content.size() - written;
        const ssize_t count = ops.Write(state.fd, content.data() + written, wanted);
        if (count < 0) {
            if (errno == EINTR) continue;
            fail(ErrnoText(errno));
        }
        if (count == 0 || static_cast<std::size_t>(count) > wanted) {
            fail("The write stopped short after " + std::to_string(written) + " of " +
                 std::to_string(content.size()) + " bytes");
        }
        written += static_cast<std::size_t>(count);
    }

    if (ops.Fsync(state.fd) != 0) fail(ErrnoText(errno));
    // The descriptor is released whatever close reports; an error here (such
    // as a network file system that could not store the data) fails the save.
    const int fd = state.fd;
    state.fd = -1;
    if (ops.Close(fd) != 0) fail(ErrnoText(errno));

    if (ops.Rename(state.tempPath, path) != 0) fail(ErrnoText(errno));
    state.tempPath.clear();

    // Makes the rename itself durable. The new content is already complete
    // and in place, so a file system that cannot do this is no reason to
    // report the save as failed.
    ops.Fsync(state.dirFd);
}

FileReader::FileReader(const std::string& path, std::size_t chunkSize)
    : chunkSize_(chunkSize == 0 ? kDefaultChunk : chunkSize),
      buffer_(std::make_unique<char[]>(chunkSize_)) {
    // Non-blocking so that opening a pipe cannot wait for a writer; it is
    // refused right after, as is everything that is not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error_ = errno;
        ::close(fd);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

FileReader::~FileReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::string_view FileReader::Next() {
    if (fd_ < 0) return {};
    for (;;) {
        const ssize_t count = ::read(fd_, buffer_.get(), chunkSize_);
        if (count > 0) return {buffer_.get(), static_cast<std::size_t>(count)};
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) error_ = errno;
        ::close(fd_);
        fd_ = -1;
        return {};
    }
}

}  // namespace platform
