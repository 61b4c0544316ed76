// Saving onto a real file system that is full or read-only or into a folder
// the user may not write in, and reading files that no writer of ours made:
// huge, one endless line, or binary noise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "Unprivileged.h"
#include "storage/LastRunFile.h"

namespace {

using storage_test::ReadAll;
using storage_test::TempDir;

storage::Inputs SomeInputs(const std::string& vcc) {
    storage::Inputs inputs;
    inputs.boxes = {vcc, "100", "22000", "4700", "2200", "470"};
    inputs.si = true;
    return inputs;
}

// A small tmpfs mounted on a fresh directory for the length of a test.
class SmallTmpfs {
public:
    SmallTmpfs() {
        if (::mount("tindrel-test", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k,mode=0755") == 0) {
            mounted_ = true;
        } else {
            error_ = std::strerror(errno);
        }
    }
    ~SmallTmpfs() {
        if (mounted_ && ::umount(dir_.path().c_str()) != 0) {
            ::umount2(dir_.path().c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }
    std::string SkipReason() const {
        return "Cannot mount a tmpfs here (needs root with CAP_SYS_ADMIN): " + error_;
    }
    std::string File(const std::string& name) const { return dir_.File(name); }
    bool RemountReadOnly() {
        return ::mount(nullptr, dir_.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    TempDir dir_;  // outlives the mount: destroyed after the unmount above
    bool mounted_ = false;
    std::string error_;
};

TEST(LastRunDiskTest, AFullDiskKeepsTheOldFile) {
    SmallTmpfs tmpfs;
    if (!tmpfs.mounted()) GTEST_SKIP() << tmpfs.SkipReason();
    const std::string path = tmpfs.File("Tindrel.dat");
    storage::SaveLastRun(path, SomeInputs("12"));
    const std::string saved = ReadAll(path);

    // Fill every free block.
    const int filler = ::open(tmpfs.File("filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'x');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);

    try {
        storage::SaveLastRun(path, SomeInputs("5"));
        ADD_FAILURE() << "saving onto a full disk was reported as done";
    } catch (const storage::SaveError& error) {
        EXPECT_EQ(std::string(error.what()), "Could not save the last run to " + path +
                                                 ": No space left on device. Your inputs are "
                                                 "still in the window.");
    }
    EXPECT_EQ(ReadAll(path), saved);
    EXPECT_EQ(storage::LoadLastRunFile(path).boxes[storage::kVcc], "12.00");
}

TEST(LastRunDiskTest, AReadOnlyFileSystemKeepsTheOldFile) {
    SmallTmpfs tmpfs;
    if (!tmpfs.mounted()) GTEST_SKIP() << tmpfs.SkipReason();
    const std::string path = tmpfs.File("Tindrel.dat");
    storage::SaveLastRun(path, SomeInputs("12"));
    const std::string saved = ReadAll(path);
    ASSERT_TRUE(tmpfs.RemountReadOnly()) << std::strerror(errno);

    try {
        storage::SaveLastRun(path, SomeInputs("5"));
        ADD_FAILURE() << "saving onto a read-only file system was reported as done";
    } catch (const storage::SaveError& error) {
        EXPECT_NE(std::string(error.what()).find(path + ": Read-only file system."),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadAll(path), saved);
}

using storage_test::kNobody;
using storage_test::kOtherUser;
using storage_test::RunUnprivileged;
using storage_test::Unprivileged;

std::string SaveOrMessage(const std::string& path, const storage::Inputs& inputs) {
    try {
        storage::SaveLastRun(path, inputs);
        return "saved";
    } catch (const storage::SaveError& error) {
        return error.what();
    }
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename());
    }
    return names;
}

// A shared machine: the program's folder is not the user's, its file may be.
TEST(LastRunDiskTest, AFolderThatRefusesNewFilesStillSavesIntoAWritableFile) {
    TempDir top;
    const std::string app = top.File("app");
    ASSERT_EQ(::mkdir(app.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
    // Writable again at the end, so that an ordinary user can remove it.
    const struct Reopen {
        std::string dir;
        ~Reopen() { ::chmod(dir.c_str(), 0755); }
    } reopen{app};
    const std::string path = app + "/Tindrel.dat";
    const std::string old = "old\r\n";
    const storage::Inputs inputs = SomeInputs("5");
    const auto prepare = [&](mode_t fileMode, mode_t folderMode) {
        ::chmod(app.c_str(), 0755);
        ::chmod(path.c_str(), 0600);
        storage_test::WriteAll(path, old);
        ::chmod(path.c_str(), fileMode);
        ::chmod(app.c_str(), folderMode);
    };

    // A folder without write permission, and a shared sticky one in which
    // the file belongs to someone else and so cannot be renamed over.
    const std::pair<mode_t, const char*> folders[] = {{0555, "read-only folder"},
                                                      {01777, "shared sticky folder"}};
    for (const auto& [folderMode, label] : folders) {
        SCOPED_TRACE(label);
        prepare(0666, folderMode);
        const Unprivileged run = RunUnprivileged(app, [&] { return SaveOrMessage(path, inputs); });
        if (!run.ran) GTEST_SKIP() << run.text;
        EXPECT_EQ(run.text, "saved");
        EXPECT_EQ(ReadAll(path), storage::EncodeLastRun(inputs));
        EXPECT_EQ(Names(app), std::vector<std::string>{"Tindrel.dat"});
    }

    prepare(0444, 0555);
    const Unprivileged run = RunUnprivileged(app, [&] { return SaveOrMessage(path, inputs); });
    EXPECT_EQ(run.text, "Could not save the last run to " + path +
                            ": Permission denied. Your inputs are still in the window.");
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Names(app), std::vector<std::string>{"Tindrel.dat"});
}

// A folder that two ordinary users may write, without the sticky bit that
// would have the system guard their files from each other.
class SharedFolder : public TempDir {
public:
    SharedFolder() { ::chmod(path().c_str(), 0777); }
    std::string Run(uid_t user, const std::function<std::string()>& work) const {
        const Unprivileged run = RunUnprivileged(path(), work, user);
        return run.ran ? run.text : "not run: " + run.text;
    }
};

std::string Planted(int result) { return result == 0 ? "planted" : std::strerror(errno); }

TEST(LastRunDiskTest, ALinkIsFollowedWhenTheUserMadeItNotWhenAnotherUserPlantedIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "Acting as two users needs root";
    const SharedFolder shared;
    const std::string path = shared.File("Tindrel.dat");
    const std::string profile = shared.File("profile");
    const storage::Inputs inputs = SomeInputs("5");
    const auto save = [&](const storage::Inputs& saved) {
        return shared.Run(kNobody, [&] { return SaveOrMessage(path, saved); });
    };
    ASSERT_EQ(shared.Run(kNobody,
                         [&] {
                             storage_test::WriteAll(profile, "mine\n");
                             return Planted(::symlink("profile", path.c_str()));
                         }),
              "planted");
    EXPECT_EQ(save(inputs), "saved");
    EXPECT_EQ(ReadAll(profile), storage::EncodeLastRun(inputs));

    std::filesystem::remove(path);
    ASSERT_EQ(shared.Run(kOtherUser, [&] { return Planted(::symlink("profile", path.c_str())); }),
              "planted");
    EXPECT_EQ(save(SomeInputs("7")),
              "Could not save the last run to " + path +
                  ": It is a symbolic link that belongs to another user, and a save follows no "
                  "such link. Your inputs are still in the window.");
    EXPECT_EQ(ReadAll(profile), storage::EncodeLastRun(inputs));
    EXPECT_TRUE(std::filesystem::is_symlink(path));
}

TEST(LastRunDiskTest, ATemporaryFileThatAnotherUserPlantedIsLeftAlone) {
    if (::geteuid() != 0) GTEST_SKIP() << "Acting as two users needs root";
    const SharedFolder shared;
    const std::string path = shared.File("Tindrel.dat");
    const std::string temporary = shared.File(".Tindrel.dat.tmp");
    ASSERT_EQ(shared.Run(kOtherUser,
                         [&] {
                             storage_test::WriteAll(temporary, "planted");
                             return Planted(::chmod(temporary.c_str(), 0666));
                         }),
              "planted");

    const storage::Inputs inputs = SomeInputs("5");
    EXPECT_EQ(shared.Run(kNobody, [&] { return SaveOrMessage(path, inputs); }), "saved");
    EXPECT_EQ(ReadAll(path), storage::EncodeLastRun(inputs));
    struct stat saved {};
    ASSERT_EQ(::stat(path.c_str(), &saved), 0);
    EXPECT_EQ(saved.st_uid, kNobody);
    EXPECT_EQ(ReadAll(temporary), "planted");
    EXPECT_EQ(Names(shared.path()).size(), 2u);
}

// Every box of a hostile file holds at most the longest field kept, as UTF-8.
void ExpectBounded(const storage::Loaded& loaded) {
    for (const std::string& box : loaded.boxes) {
        EXPECT_LE(box.size(), 2 * storage::kMaxFieldBytes);
    }
}

void WriteRepeated(const std::string& path, const std::string& piece, std::size_t total) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    std::string chunk;
    while (chunk.size() < (1u << 20)) chunk += piece;
    for (std::size_t written = 0; written < total; written += chunk.size()) {
        ASSERT_EQ(::write(fd, chunk.data(), chunk.size()), static_cast<ssize_t>(chunk.size()));
    }
    ::close(fd);
}

TEST(LastRunDiskTest, HugeFilesAndLinesAreReadWithinBounds) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    constexpr std::size_t k100MB = 100u << 20;

    // 100 MB of short lines: the first nine count.
    WriteRepeated(path, "1.5,\r\n", k100MB);
    storage::Loaded loaded = storage::LoadLastRunFile(path);
    EXPECT_EQ(loaded.boxes[storage::kVcc], "");
    EXPECT_EQ(loaded.boxes[storage::kBeta], "1.5");

    // One line of 100 MB: it is the only field, cut to the longest kept.
    WriteRepeated(path, "9", k100MB);
    loaded = storage::LoadLastRunFile(path);
    for (const std::string& box : loaded.boxes) {
        EXPECT_EQ(box, std::string(storage::kMaxFieldBytes, '9'));
    }

    // 100 MB of blanks before a line end, then the rest of the file.
    WriteRepeated(path, " ", k100MB);
    { std::ofstream(path, std::ios::binary | std::ios::app) << "\r\n7\r\n"; }
    EXPECT_EQ(storage::LoadLastRunFile(path).boxes[storage::kVcc], "7");

    // A sparse file far larger than any disk: only its first part is read.
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{64} << 30), 0);
    ::close(fd);
    loaded = storage::LoadLastRunFile(path);
    EXPECT_EQ(loaded.boxes[storage::kRe], std::string(storage::kMaxFieldBytes, '\0'));
}

TEST(LastRunDiskTest, BinaryNoiseIsReadWithinBounds) {
    TempDir dir;
    const std::string path = dir.File("Tindrel.dat");
    std::mt19937 random(4711);
    for (std::size_t size : {1u, 100u, 10000u, 1u << 20}) {
        std::string bytes(size, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        storage_test::WriteAll(path, bytes);
        const storage::Loaded loaded = storage::LoadLastRunFile(path);
        ExpectBounded(loaded);
        EXPECT_EQ(loaded, storage::DecodeLastRun(bytes));
    }
}

}  // namespace
