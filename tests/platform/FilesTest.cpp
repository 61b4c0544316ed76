#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ExecutableDir.h"
#include "platform/Files.h"
#include "platform/Latin1.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    return names;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tindrel-files-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Fails the n-th system call of a save (counting from 1) with EIO, or with
// n = 0 only counts them. Close still releases the descriptor, as the
// system's close does when it reports an error. With `refuseTemporary` the
// folder refuses every temporary file, so the file is written in place.
class FailingOps : public platform::FileOps {
public:
    FailingOps(int failAt, bool refuseTemporary) : failAt_(failAt), refuse_(refuseTemporary) {}

    int Open(const std::string& path, int flags, mode_t mode) override {
        if (refuse_ && path.ends_with(".tmp")) {
            errno = EACCES;
            return -1;
        }
        return Fail() ? -1 : FileOps::Open(path, flags, mode);
    }
    ssize_t Write(int fd, const char* data, std::size_t size) override {
        return Fail() ? -1 : FileOps::Write(fd, data, size);
    }
    ssize_t Pread(int fd, char* data, std::size_t size, off_t offset) override {
        return Fail() ? -1 : FileOps::Pread(fd, data, size, offset);
    }
    off_t Lseek(int fd, off_t offset, int whence) override {
        return Fail() ? -1 : FileOps::Lseek(fd, offset, whence);
    }
    int Ftruncate(int fd, off_t length) override {
        return Fail() ? -1 : FileOps::Ftruncate(fd, length);
    }
    int Fchmod(int fd, mode_t mode) override { return Fail() ? -1 : FileOps::Fchmod(fd, mode); }
    int Flock(int fd, int operation) override {
        return Fail() ? -1 : FileOps::Flock(fd, operation);
    }
    int Fsync(int fd) override { return Fail() ? -1 : FileOps::Fsync(fd); }
    int Fstat(int fd, struct stat* info) override { return Fail() ? -1 : FileOps::Fstat(fd, info); }
    int Close(int fd) override {
        const int result = FileOps::Close(fd);
        return Fail() ? -1 : result;
    }
    int Stat(const std::string& path, struct stat* info) override {
        return Fail() ? -1 : FileOps::Stat(path, info);
    }
    int Lstat(const std::string& path, struct stat* info) override {
        return Fail() ? -1 : FileOps::Lstat(path, info);
    }
    ssize_t Readlink(const std::string& path, char* buffer, std::size_t size) override {
        return Fail() ? -1 : FileOps::Readlink(path, buffer, size);
    }
    int Rename(const std::string& from, const std::string& to) override {
        return Fail() ? -1 : FileOps::Rename(from, to);
    }
    int Unlink(const std::string& path) override { return Fail() ? -1 : FileOps::Unlink(path); }

    int Calls() const { return calls_; }

private:
    bool Fail() {
        if (++calls_ != failAt_) return false;
        errno = EIO;
        return true;
    }

    int failAt_;
    bool refuse_;
    int calls_ = 0;
};

TEST(ReplaceFileTest, CreatesAndReplacesKeepingPermissions) {
    TempDir dir;
    const fs::path file = dir.path() / "data.dat";
    platform::ReplaceFile(file, "first");
    EXPECT_EQ(ReadAll(file), "first");

    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    platform::ReplaceFile(file, std::string("second\0\xB1", 8));
    EXPECT_EQ(ReadAll(file), std::string("second\0\xB1", 8));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"data.dat"});
}

// Each way of saving, failed at each of its system calls in turn. A failure
// after the rename (or the flush of a file written in place) may pass, since
// the new content is then complete.
TEST(ReplaceFileTest, AFailureAtAnySystemCallKeepsTheOldFileTheLinkAndNoTemporary) {
    struct Situation {
        const char* label;
        bool exists;
        bool throughLink;
        bool inPlace;
    };
    const Situation situations[] = {{"replaced", true, false, false},
                                    {"created", false, false, false},
                                    {"through a symbolic link", true, true, false},
                                    {"in place in a read-only folder", true, false, true}};
    const std::string oldContent = "old content\r\n";
    const std::string newContent = "new content, longer than the old one\r\n";

    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.label);
        TempDir dir;
        const fs::path app = dir.path() / "app";
        const fs::path synced = dir.path() / "synced";
        fs::create_directory(app);
        fs::create_directory(synced);
        const fs::path path = app / "data.dat";
        const fs::path file = situation.throughLink ? synced / "data.dat" : path;
        if (situation.throughLink) fs::create_symlink("../synced/data.dat", path);
        const auto prepare = [&] {
            if (situation.exists) {
                WriteAll(file, oldContent);
            } else {
                fs::remove(file);
            }
        };

        prepare();
        FailingOps counter(0, situation.inPlace);
        platform::ReplaceFile(path, newContent, counter);
        ASSERT_EQ(ReadAll(file), newContent);

        for (int failAt = 1; failAt <= counter.Calls(); ++failAt) {
            SCOPED_TRACE("failing call " + std::to_string(failAt));
            prepare();
            FailingOps ops(failAt, situation.inPlace);
            try {
                platform::ReplaceFile(path, newContent, ops);
                EXPECT_EQ(ReadAll(file), newContent);
            } catch (const platform::FileError& error) {
                EXPECT_EQ(error.error(), EIO);
                EXPECT_EQ(error.reason(), "Input/output error");
                if (situation.exists) {
                    EXPECT_EQ(ReadAll(file), oldContent);
                } else {
                    EXPECT_FALSE(fs::exists(file));
                }
            }
            EXPECT_EQ(fs::is_symlink(path), situation.throughLink);
            for (const fs::path& folder : {app, synced}) {
                for (const std::string& name : Names(folder)) EXPECT_EQ(name, "data.dat");
            }
            FailingOps next(0, situation.inPlace);
            EXPECT_NO_THROW(platform::ReplaceFile(path, "next", next));
            EXPECT_EQ(ReadAll(file), "next");
        }
    }
}

// Writes that take less than they are given.
class ShortWriteOps : public platform::FileOps {
public:
    // Each write takes at most `step` bytes; after `limit` bytes in all it
    // takes none (returning 0) or fails with ENOSPC.
    ShortWriteOps(std::size_t step, std::size_t limit, bool failWithErrno)
        : step_(step), limit_(limit), failWithErrno_(failWithErrno) {}
    ssize_t Write(int fd, const char* data, std::size_t size) override {
        if (total_ >= limit_) {
            if (!failWithErrno_) return 0;
            errno = ENOSPC;
            return -1;
        }
        const ssize_t count = FileOps::Write(fd, data, std::min({size, step_, limit_ - total_}));
        if (count > 0) total_ += static_cast<std::size_t>(count);
        return count;
    }

private:
    std::size_t step_;
    std::size_t limit_;
    bool failWithErrno_;
    std::size_t total_ = 0;
};

TEST(ReplaceFileTest, ShortWritesAreContinuedAndAStalledWriteFails) {
    TempDir dir;
    const fs::path file = dir.path() / "data.dat";
    const std::string content = "0123456789abcdefghij";

    ShortWriteOps piecemeal(3, 1000, true);
    platform::ReplaceFile(file, content, piecemeal);
    EXPECT_EQ(ReadAll(file), content);

    WriteAll(file, "old");
    ShortWriteOps stalls(4, 8, false);
    try {
        platform::ReplaceFile(file, content, stalls);
        ADD_FAILURE() << "a write that took nothing was reported as saved";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.reason(), "The write stopped short after 8 of 20 bytes");
    }
    ShortWriteOps full(5, 10, true);
    try {
        platform::ReplaceFile(file, content, full);
        ADD_FAILURE() << "a full disk was reported as saved";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.reason(), "No space left on device");
    }
    EXPECT_EQ(ReadAll(file), "old");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"data.dat"});
}

TEST(ReplaceFileTest, ReportsAMissingDirectoryAndATargetThatIsADirectory) {
    TempDir dir;
    const fs::path missing = dir.path() / "no-such-dir" / "data.dat";
    try {
        platform::ReplaceFile(missing, "x");
        ADD_FAILURE();
    } catch (const platform::FileError& error) {
        EXPECT_EQ(std::string(error.what()), missing.string() + ": No such file or directory");
    }
    fs::create_directory(dir.path() / "taken");
    EXPECT_THROW(platform::ReplaceFile(dir.path() / "taken", "x"), platform::FileError);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"taken"});
}

// Just before this save takes the lock on its temporary file, a second save
// finishes with that same file and renames it into place.
class OvertakenOps : public platform::FileOps {
public:
    OvertakenOps(fs::path temporary, fs::path target)
        : temporary_(std::move(temporary)), target_(std::move(target)) {}
    int Flock(int fd, int operation) override {
        if (!overtaken_) {
            overtaken_ = true;
            WriteAll(temporary_, "the other save");
            fs::rename(temporary_, target_);
        }
        return FileOps::Flock(fd, operation);
    }

private:
    fs::path temporary_;
    fs::path target_;
    bool overtaken_ = false;
};

TEST(ReplaceFileTest, TheTemporaryOfAKilledSaveIsTakenOverAndNeverFollowed) {
    TempDir dir;
    const fs::path file = dir.path() / "data.dat";
    const fs::path temporary = dir.path() / ".data.dat.tmp";
    WriteAll(file, "old");

    WriteAll(temporary, std::string(5000, '#'));
    platform::ReplaceFile(file, "new");
    EXPECT_EQ(ReadAll(file), "new");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"data.dat"});

    OvertakenOps overtaken(temporary, file);
    platform::ReplaceFile(file, "last", overtaken);
    EXPECT_EQ(ReadAll(file), "last");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"data.dat"});

    // A link planted under the temporary name must not carry the write away,
    // not even to create the file it names.
    const fs::path victim = dir.path() / "victim";
    fs::create_symlink(victim, temporary);
    EXPECT_THROW(platform::ReplaceFile(file, "new"), platform::FileError);
    EXPECT_FALSE(fs::exists(victim));
    EXPECT_EQ(ReadAll(file), "last");
}

TEST(ReplaceFileTest, ALinkIsKeptAndTheFileItLeadsToReplaced) {
    TempDir dir;
    fs::create_directory(dir.path() / "app");
    fs::create_directory(dir.path() / "synced");
    const fs::path real = dir.path() / "synced" / "data.dat";
    const fs::path link = dir.path() / "app" / "data.dat";
    WriteAll(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink("../synced/data.dat", link);

    platform::ReplaceFile(link, "new");
    EXPECT_EQ(fs::read_symlink(link), "../synced/data.dat");
    EXPECT_EQ(ReadAll(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
    EXPECT_EQ(Names(dir.path() / "app"), std::vector<std::string>{"data.dat"});
    EXPECT_EQ(Names(dir.path() / "synced"), std::vector<std::string>{"data.dat"});
}

TEST(ReplaceFileTest, ALinkToNothingRoundALoopOrToNoFileIsRefused) {
    TempDir dir;
    const fs::path real = fs::canonical(dir.path());
    const auto reasonFor = [](const fs::path& path) {
        try {
            platform::ReplaceFile(path, "x");
        } catch (const platform::FileError& error) {
            EXPECT_EQ(error.path(), path.string());
            return error.reason();
        }
        return std::string("saved");
    };

    fs::create_symlink("missing.dat", dir.path() / "dangling");
    EXPECT_EQ(reasonFor(dir.path() / "dangling"),
              "It is a symbolic link to missing.dat, which does not exist");

    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");
    EXPECT_EQ(reasonFor(dir.path() / "loop-a"), "It is a symbolic link that leads round in a loop");

    // Run as root, replacing a device or pipe behind a link would do harm.
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", dir.path() / "to-fifo");
    EXPECT_EQ(
        reasonFor(dir.path() / "to-fifo"),
        "It is a symbolic link to " + (real / "fifo").string() + ", which is not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir.path() / "fifo"));

    EXPECT_EQ(Names(dir.path()).size(), 5u);  // nothing created
}

// Each child saves its own content again and again while this process reads:
// every read must be one whole content, and no temporary may be left.
TEST(ReplaceFileTest, SavesAtTheSameMomentEachLeaveAWholeFile) {
    TempDir dir;
    const fs::path file = dir.path() / "data.dat";
    const std::vector<std::string> contents = {std::string(3000, 'a'), std::string(200, 'b'),
                                               std::string(7000, 'c')};
    WriteAll(file, contents[0]);

    std::vector<pid_t> children;
    for (const std::string& content : contents) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool failed = false;
            for (int i = 0; i < 20; ++i) {
                try {
                    platform::ReplaceFile(file, content);
                } catch (const platform::FileError&) {
                    failed = true;
                }
            }
            ::_exit(failed ? 1 : 0);
        }
        children.push_back(pid);
    }

    int reads = 0;
    while (!children.empty()) {
        const std::string read = ReadAll(file);
        ++reads;
        EXPECT_NE(std::find(contents.begin(), contents.end(), read), contents.end())
            << "read " << read.size() << " bytes that are no one save's content";
        std::erase_if(children, [](pid_t pid) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0) return false;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
            return true;
        });
    }
    EXPECT_GT(reads, 1);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"data.dat"});
}

TEST(FileReaderTest, ReadsRegularFilesInPiecesAndRefusesOtherKinds) {
    TempDir dir;
    const fs::path file = dir.path() / "data.dat";
    std::string content;
    for (int i = 0; i < 1000; ++i) content += static_cast<char>(i * 7);
    WriteAll(file, content);

    platform::FileReader reader(file, 64);
    ASSERT_TRUE(reader.IsOpen());
    std::string read;
    for (std::string_view chunk = reader.Next(); !chunk.empty(); chunk = reader.Next()) {
        EXPECT_LE(chunk.size(), 64u);
        read += chunk;
    }
    EXPECT_EQ(read, content);
    EXPECT_EQ(reader.Error(), 0);
    EXPECT_TRUE(reader.Next().empty());

    platform::FileReader missing(dir.path() / "missing");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.Error(), ENOENT);
    EXPECT_TRUE(missing.Next().empty());

    platform::FileReader directory(dir.path());
    EXPECT_FALSE(directory.IsOpen());
    EXPECT_EQ(directory.Error(), EISDIR);

    // A pipe with no writer would block a plain open for ever.
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    platform::FileReader pipe(fifo);
    EXPECT_FALSE(pipe.IsOpen());
}

TEST(ExecutableDirTest, IsTheDirectoryOfThisProgramWithoutTrailingSeparator) {
    const std::string dir = platform::ExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front(), '/');
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::is_regular_file(dir + "/test_platform"));
}

TEST(Latin1Test, ConvertsEveryByteBothWaysAndMarksWhatLatin1Lacks) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::string utf8 = platform::Latin1ToUtf8(allBytes);
    EXPECT_EQ(utf8.size(), 128u + 2 * 128u);
    EXPECT_EQ(platform::Latin1ToUtf8("\xB1"), "\u00B1");
    EXPECT_EQ(platform::Utf8ToLatin1(utf8), allBytes);

    EXPECT_EQ(platform::Utf8ToLatin1("a\u20ACb"), "a?b");  // beyond Latin-1
    EXPECT_EQ(platform::Utf8ToLatin1("a\xC2"
                                     "b"),
              "a?b");  // cut short
    EXPECT_EQ(platform::Utf8ToLatin1("\xFF\xB1"
                                     "c"),
              "??c");                                            // stray bytes
    EXPECT_EQ(platform::Utf8ToLatin1("\xF0\x9F\x98\x80"), "?");  // one character, one mark
}

}  // namespace
