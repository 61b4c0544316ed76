#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <system_error>

namespace platform {

int FileOps::Open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags, mode);
}
ssize_t FileOps::Write(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
ssize_t FileOps::Pread(int fd, char* data, std::size_t size, off_t offset) {
    return ::pread(fd, data, size, offset);
}
off_t FileOps::Lseek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int FileOps::Ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int FileOps::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileOps::Flock(int fd, int operation) { return ::flock(fd, operation); }
int FileOps::Fsync(int fd) { return ::fsync(fd); }
int FileOps::Fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int FileOps::Close(int fd) { return ::close(fd); }
int FileOps::Stat(const std::string& path, struct stat* info) { return ::stat(path.c_str(), info); }
int FileOps::Lstat(const std::string& path, struct stat* info) {
    return ::lstat(path.c_str(), info);
}
ssize_t FileOps::Readlink(const std::string& path, char* buffer, std::size_t size) {
    return ::readlink(path.c_str(), buffer, size);
}
int FileOps::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}
int FileOps::Unlink(const std::string& path) { return ::unlink(path.c_str()); }
int FileOps::Mkdir(const std::string& path, mode_t mode) { return ::mkdir(path.c_str(), mode); }

FileOps& SystemFileOps() {
    static FileOps ops;
    return ops;
}

std::string ErrnoText(int error) { return std::generic_category().message(error); }

bool IsPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

namespace {

// A step of a save that failed. `folderRefused`: the directory would not take
// the temporary file or the rename, so writing the file in place may still work.
// `error`: the errno behind it, 0 when the failure was found by a check.
struct StepError {
    std::string reason;
    bool folderRefused = false;
    int error = 0;
};

[[noreturn]] void Fail(std::string reason) { throw StepError{std::move(reason)}; }
[[noreturn]] void FailWithErrno(int error, bool folderRefused = false) {
    throw StepError{ErrnoText(error), folderRefused, error};
}

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

std::string Join(const std::string& dir, const std::string& name) {
    return (dir == "/" ? "" : dir) + "/" + name;
}

// Whether `path` names a regular file; false when nothing is there. Any other
// failure to look fails the save, since the answer decides what is written.
bool IsRegularFile(FileOps& ops, const std::string& path) {
    struct stat info {};
    if (ops.Lstat(path, &info) == 0) return S_ISREG(info.st_mode);
    if (errno != ENOENT) FailWithErrno(errno);
    return false;
}

// Whether a save may follow the link `link`, described by `info`: the rule
// that Linux applies in shared sticky folders (fs.protected_symlinks), here in
// every folder, since a folder that others may write need not be sticky.
bool MayFollow(FileOps& ops, const std::string& link, const struct stat& info) {
    if (info.st_uid == ::geteuid()) return true;
    struct stat folder {};
    if (ops.Stat(Split(link).dir, &folder) != 0) FailWithErrno(errno);
    return info.st_uid == folder.st_uid;
}

// Where the link `link` leads, as a path that the system resolves the same
// way: a relative target counts from the link's own folder.
std::string LinkTarget(FileOps& ops, const std::string& link) {
    char buffer[PATH_MAX];
    const ssize_t count = ops.Readlink(link, buffer, sizeof buffer);
    if (count < 0) FailWithErrno(errno);
    if (static_cast<std::size_t>(count) >= sizeof buffer) FailWithErrno(ENAMETOOLONG);
    return std::string(buffer, static_cast<std::size_t>(count));
}

// The file a save writes: `path` itself, or the file that a symbolic link at
// `path` leads to, so that the link and the file behind it stay together.
// Each link of a chain is examined here, through `ops`, rather than left to
// std::filesystem::canonical, so that every link is held to the rule of
// MayFollow and every failure to look is reported.
std::string FollowLink(FileOps& ops, const std::string& path) {
    // As many links as the system itself follows in one lookup.
    constexpr int kMaxLinks = 40;
    std::string current = path;
    struct stat info {};
    if (ops.Lstat(current, &info) != 0) {
        if (errno == ENOENT) return path;  // a new file
        FailWithErrno(errno);
    }
    for (int links = 0; S_ISLNK(info.st_mode); ++links) {
        if (links == kMaxLinks) Fail("It is a symbolic link that leads round in a loop");
        if (!MayFollow(ops, current, info)) {
            Fail(current == path ? "It is a symbolic link that belongs to another user, and a "
                                   "save follows no such link"
                                 : "It leads through the symbolic link " + current +
                                       ", which belongs to another user, and a save follows no "
                                       "such link");
        }
        const std::string target = LinkTarget(ops, current);
        const std::string next =
            target.starts_with('/') ? target : Join(Split(current).dir, target);
        if (ops.Lstat(next, &info) != 0) {
            if (errno == ENOENT)
                Fail("It is a symbolic link to " + target + ", which does not exist");
            if (errno == ELOOP) Fail("It is a symbolic link that leads round in a loop");
            FailWithErrno(errno);
        }
        current = next;
    }
    // Replacing a device or a pipe with a file could break the system when
    // the program runs with privileges; a directory cannot be replaced.
    if (current != path && !S_ISREG(info.st_mode)) {
        Fail("It is a symbolic link to " + current + ", which is not a regular file");
    }
    return current;
}

// Waits for the exclusive lock on `fd`. A file system without locks (some
// network and FUSE ones) is used without: the save then works as it would
// have without the lock.
void Lock(FileOps& ops, int fd) {
    while (ops.Flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return;
        FailWithErrno(errno);
    }
}

void WriteAll(FileOps& ops, int fd, std::string_view content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const std::size_t wanted = content.size() - written;
        const ssize_t count = ops.Write(fd, content.data() + written, wanted);
        if (count < 0) {
            if (errno == EINTR) continue;
            FailWithErrno(errno);
        }
        if (count == 0 || static_cast<std::size_t>(count) > wanted) {
            Fail("The write stopped short after " + std::to_string(written) + " of " +
                 std::to_string(content.size()) + " bytes");
        }
        written += static_cast<std::size_t>(count);
    }
}

// The temporary file of one save, under one fixed name beside the file it
// replaces. It is locked from opening to the rename, so that a second save
// waits instead of writing into it too. It is removed on failure only when
// this save created it or holds it locked under its name: never another
// save's or another user's file.
class TemporaryFile {
public:
    TemporaryFile(FileOps& ops, const PathParts& target)
        : ops_(ops),
          dir_(target.dir),
          name_(target.name),
          path_(Join(dir_, "." + name_ + ".tmp")) {}
    ~TemporaryFile() {
        if (fd_ < 0) return;
        if (owned_) ops_.Unlink(path_);
        ops_.Close(fd_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file, or takes over one that a killed save of this user
    // left behind.
    void Open() {
        // Each retry means that another save finished with the file while
        // this one waited; the bound only stops a file system that keeps
        // changing the name under us.
        constexpr int kMaxAttempts = 100;
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            if (TryFixedName()) return;
        }
        Fail("Other saves kept replacing the temporary file " + path_);
    }

    int fd() const { return fd_; }

    void RenameOver(const std::string& target) {
        if (ops_.Rename(path_, target) != 0) FailWithErrno(errno, IsPermissionError(errno));
        owned_ = false;
        // The data was flushed before the rename, so an error of close no
        // longer means lost data.
        ops_.Close(fd_);
        fd_ = -1;
    }

private:
    // O_NOFOLLOW and the checks after the open keep a planted link from
    // redirecting the write, O_NONBLOCK keeps a planted pipe from stopping it.
    static constexpr int kFlags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

    // One attempt under the fixed name. False when another save renamed or
    // removed the file while this one waited for it.
    bool TryFixedName() {
        // Created exclusively, so that the save knows the file is its own
        // and removes it should a later step fail; else a stale one is reused.
        fd_ = ops_.Open(path_, kFlags | O_CREAT | O_EXCL, 0666);
        owned_ = fd_ >= 0;
        if (fd_ < 0 && errno == EEXIST) {
            fd_ = ops_.Open(path_, kFlags, 0);
            if (fd_ < 0) {
                const int error = errno;
                if (error == ENOENT) return false;
                if (ForeignName()) return OpenUniqueName();
                FailWithErrno(error, IsPermissionError(error));
            }
        }
        if (fd_ < 0) FailWithErrno(errno, IsPermissionError(errno));

        struct stat held {};
        if (ops_.Fstat(fd_, &held) != 0) FailWithErrno(errno);
        // Before the lock, which another user could hold for ever.
        if (!owned_ && held.st_uid != ::geteuid()) {
            CloseKeepingFile();
            return OpenUniqueName();
        }
        if (!S_ISREG(held.st_mode)) Fail("The temporary file " + path_ + " is not a regular file");
        Lock(ops_, fd_);

        // Another save may have renamed or removed the file while this one
        // waited for the lock; it was that save's file then.
        struct stat named {};
        if (ops_.Lstat(path_, &named) != 0 && errno != ENOENT) FailWithErrno(errno);
        if (named.st_dev != held.st_dev || named.st_ino != held.st_ino) {
            CloseKeepingFile();
            return false;
        }
        owned_ = true;
        // A second name would let the truncation reach another file.
        if (named.st_nlink != 1) Fail("The temporary file " + path_ + " is linked elsewhere");
        return true;
    }

    // Whether something of another user holds the fixed name.
    bool ForeignName() {
        struct stat info {};
        return ops_.Lstat(path_, &info) == 0 && info.st_uid != ::geteuid();
    }

    void CloseKeepingFile() {
        owned_ = false;
        ops_.Close(fd_);
        fd_ = -1;
    }

    // Leaves another user's file under the fixed name alone, and saves
    // through a new file beside it. Named here rather than by mkostemp, so
    // that the creation goes through ops_ like every other call; O_EXCL makes
    // it this save's own file. Returns true, as the temporary file is open.
    bool OpenUniqueName() {
        constexpr int kMaxAttempts = 100;
        // Seeded from the clock and the process rather than std::random_device,
        // which may throw where no source of entropy is at hand; O_EXCL, not
        // the name, is what keeps the file this save's own.
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        std::mt19937_64 random(static_cast<std::uint64_t>(ticks) ^
                               (static_cast<std::uint64_t>(::getpid()) << 40));
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            char tag[20];
            std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(random()));
            const std::string path = Join(dir_, "." + name_ + "." + tag + ".tmp");
            fd_ = ops_.Open(path, kFlags | O_CREAT | O_EXCL, 0666);
            if (fd_ >= 0) {
                path_ = path;
                owned_ = true;
                return true;
            }
            if (errno != EEXIST) FailWithErrno(errno, IsPermissionError(errno));
        }
        Fail("No free name for a temporary file beside " + Join(dir_, name_));
    }

    FileOps& ops_;
    std::string dir_;
    std::string name_;
    std::string path_;
    int fd_ = -1;
    bool owned_ = false;
};

// Makes the rename itself durable. The new content is already complete and in
// place, so a directory that cannot be opened or flushed (one the program may
// write in but not list, say) is no reason to report the save as failed.
void FlushDirectory(FileOps& ops, const std::string& dir) {
    const int fd = ops.Open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    ops.Fsync(fd);
    ops.Close(fd);
}

void ReplaceThroughTemporary(const std::string& target, std::string_view content, FileOps& ops) {
    const PathParts parts = Split(target);
    TemporaryFile temp(ops, parts);
    temp.Open();
    // A file taken over from a killed save still holds its bytes.
    if (ops.Ftruncate(temp.fd(), 0) != 0) FailWithErrno(errno);

    // Keep the old file's permissions; a file system without them (such as
    // FAT) refuses, and the file then simply has the default ones.
    struct stat old {};
    if (ops.Stat(target, &old) == 0) {
        if (S_ISREG(old.st_mode)) ops.Fchmod(temp.fd(), old.st_mode & 07777);
    } else if (errno != ENOENT) {
        FailWithErrno(errno);
    }

    WriteAll(ops, temp.fd(), content);
    if (ops.Fsync(temp.fd()) != 0) FailWithErrno(errno);
    temp.RenameOver(target);
    FlushDirectory(ops, parts.dir);
}

// Closes a descriptor on every way out. Used once the data is flushed, or
// when the save fails anyway, so close's own result does not matter.
class Descriptor {
public:
    Descriptor(FileOps& ops, int fd) : ops_(ops), fd_(fd) {}
    ~Descriptor() { ops_.Close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    FileOps& ops_;
    int fd_;
};

// The file's bytes, when it can be read and is small enough to hold; the
// last-run file is about a hundred bytes.
std::optional<std::string> ReadSmall(FileOps& ops, int fd) {
    constexpr off_t kMaxKept = 64 * 1024;
    struct stat info {};
    if (ops.Fstat(fd, &info) != 0 || info.st_size > kMaxKept) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count =
            ops.Pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return std::nullopt;
        done += static_cast<std::size_t>(count);
    }
    return bytes;
}

// Best effort: the save is failing already, and its reason is what the user
// needs to hear.
void PutBack(FileOps& ops, int fd, std::string_view old) {
    try {
        if (ops.Lseek(fd, 0, SEEK_SET) != 0) return;
        WriteAll(ops, fd, old);
        if (ops.Ftruncate(fd, static_cast<off_t>(old.size())) == 0) ops.Fsync(fd);
    } catch (const StepError&) {
    }
}

// Writes over the file itself, for a directory that refuses the temporary
// file or the rename. The lock keeps two such saves at once from mixing their
// bytes; new content is written before the length is cut, so that a full disk
// meets it while the old bytes can still be put back.
void WriteInPlace(const std::string& target, std::string_view content, FileOps& ops) {
    constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ops.Open(target, O_RDWR | kFlags, 0);
    if (fd < 0 && errno == EACCES) fd = ops.Open(target, O_WRONLY | kFlags, 0);
    if (fd < 0) FailWithErrno(errno);
    const Descriptor file(ops, fd);
    struct stat info {};
    if (ops.Fstat(fd, &info) != 0) FailWithErrno(errno);
    if (!S_ISREG(info.st_mode)) Fail("It is not a regular file");
    Lock(ops, fd);

    const std::optional<std::string> old = ReadSmall(ops, fd);
    try {
        WriteAll(ops, fd, content);
        if (ops.Ftruncate(fd, static_cast<off_t>(content.size())) != 0) FailWithErrno(errno);
        if (ops.Fsync(fd) != 0) FailWithErrno(errno);
    } catch (const StepError&) {
        if (old) PutBack(ops, fd, *old);
        throw;
    }
}

void Save(const std::string& target, std::string_view content, FileOps& ops) {
    try {
        ReplaceThroughTemporary(target, content, ops);
    } catch (const StepError& error) {
        if (!error.folderRefused || !IsRegularFile(ops, target)) throw;
        // The reason of this attempt is the one reported should it fail too.
        WriteInPlace(target, content, ops);
    }
}

}  // namespace

// Written on plain system calls rather than Qt's QSaveFile: with Qt 6.4 on a
// full disk, QSaveFile::write returned a short count with no error set and
// commit() still reported success, replacing a good file with a truncated one.
// Here every count and every return value is checked before the save is
// reported as done, and storage stays free of Qt.
void ReplaceFile(const std::string& path, std::string_view content, FileOps& ops) {
    try {
        Save(FollowLink(ops, path), content, ops);
    } catch (const StepError& error) {
        throw FileError(path, error.reason, error.error);
    }
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
