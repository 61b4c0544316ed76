#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A file that could not be written. what() reads "<path>: <reason>".
class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, const std::string& reason, int error = 0)
        : std::runtime_error(path + ": " + reason), path_(path), reason_(reason), error_(error) {}
    const std::string& path() const { return path_; }
    // Plain words, starting with a capital and without a closing full stop,
    // e.g. "No space left on device".
    const std::string& reason() const { return reason_; }
    // The errno behind the reason, 0 when a check rather than a system call
    // found the fault (a dangling link, a link of another user, a short write).
    int error() const { return error_; }

private:
    std::string path_;
    std::string reason_;
    int error_;
};

// The system calls of ReplaceFile, lookups included, one virtual function
// each, so that a test can fail any one of them. Each behaves like the POSIX
// call of the same name: -1 (or a short count) with errno set on failure. The
// base class calls the system itself.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int Open(const std::string& path, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const char* data, std::size_t size);
    virtual ssize_t Pread(int fd, char* data, std::size_t size, off_t offset);
    virtual off_t Lseek(int fd, off_t offset, int whence);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Flock(int fd, int operation);
    virtual int Fsync(int fd);
    virtual int Fstat(int fd, struct stat* info);
    virtual int Close(int fd);
    virtual int Stat(const std::string& path, struct stat* info);
    virtual int Lstat(const std::string& path, struct stat* info);
    virtual ssize_t Readlink(const std::string& path, char* buffer, std::size_t size);
    virtual int Rename(const std::string& from, const std::string& to);
    virtual int Unlink(const std::string& path);
    virtual int Mkdir(const std::string& path, mode_t mode);
};

// The real system calls.
FileOps& SystemFileOps();

// The system's words for an errno, e.g. "No space left on device".
std::string ErrnoText(int error);

// Whether a failure with this errno is a refusal for lack of permission (no
// access, not permitted, a read-only file system) rather than a fault of the
// disk or the system: a folder refusing a save may still take it another way.
bool IsPermissionError(int error);

// Replaces the file at `path` with `content` so that the file holds either its
// old content or all of the new one, also across a crash or power loss:
// the content goes to a temporary file in the same directory, every write's
// count is checked, the temporary is flushed to the disk, renamed over the old
// file, and the directory is flushed. An existing file's permission bits are
// carried over where the file system allows it.
//
// The temporary file has one fixed name, "." + file name + ".tmp", and is
// locked while in use: a save that is killed leaves at most that one file
// behind, which the next save takes over, and two saves at once take turns, so
// that the file ends up with the whole content of the one that finished last.
// A file under that name that belongs to another user is left alone; the save
// then goes through a temporary file of a unique name, created afresh, so that
// the saved file always belongs to the saving user.
//
// A symbolic link at `path` stays: the file it leads to is replaced, with the
// temporary file in that file's directory. In a folder that others may write,
// a link can be planted to make the save overwrite another of the user's
// files, so a link is followed only where Linux follows one in a shared
// sticky folder: when it belongs to the saving user or to the owner of the
// folder that holds it. Such a link, and a link that leads nowhere, round in a
// loop, or to anything but a regular file, is refused and nothing is written.
//
// When the directory refuses the temporary file or the rename (no permission,
// a read-only directory) but the file exists and may be written, the file is
// written in place instead and flushed to the disk. That way cannot keep the
// old content across a crash; after a failure part-way it writes the old
// content back, where the file could be read and held at most 64 KiB.
//
// Throws FileError naming `path` when the new content cannot be put in place,
// also when the path cannot be examined for a reason other than its absence;
// the old file (or its absence) is then as before, short of an in-place write
// whose old content could not be kept, and the save leaves no temporary file
// of its own. Once the rename, or the flush of a file written in place, has
// succeeded the save counts as done: a failure to close the file or to flush
// the directory afterwards is not reported, since the disk already holds the
// whole new content.
void ReplaceFile(const std::string& path, std::string_view content, FileOps& ops = SystemFileOps());

// Reads a regular file piece by piece through one fixed buffer, so that a file
// of any size costs the same memory. Anything else (a directory, a pipe, a
// device) is refused at open, since reading it could block or never end.
class FileReader {
public:
    static constexpr std::size_t kDefaultChunk = 64 * 1024;

    explicit FileReader(const std::string& path, std::size_t chunkSize = kDefaultChunk);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // errno of the failure that stopped the reader, 0 if none.
    int Error() const { return error_; }

    // The next piece of the file, at most the chunk size. Empty at the end of
    // the file, after a failure (Error() tells), or when the file is not open.
    // The view stays valid until the next call.
    std::string_view Next();

private:
    int fd_ = -1;
    int error_ = 0;
    std::size_t chunkSize_;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace platform
