// Which file holds the last run: beside the program or in the user's state
// folder, for reading and for saving alike.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "TempDir.h"
#include "Unprivileged.h"
#include "storage/LastRunPlace.h"

namespace {

using storage::LastRunPlace;
using storage_test::ReadAll;
using storage_test::TempDir;

// A host whose variables and foresight the test gives.
class FakeEnvironment : public platform::Environment {
public:
    std::map<std::string, std::string> variables;
    bool refuses = false;

    std::optional<std::string> Variable(const std::string& name) const override {
        const auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    }
    bool RefusesReplace(const std::string&) const override { return refuses; }
};

// Fails every open inside one folder with the errno given.
class FailingOps : public platform::FileOps {
public:
    std::string folder;
    int openError = 0;

    int Open(const std::string& path, int flags, mode_t mode) override {
        if (openError == 0 || path.rfind(folder + "/", 0) != 0) {
            return FileOps::Open(path, flags, mode);
        }
        errno = openError;
        return -1;
    }
};

storage::Inputs SomeInputs() {
    storage::Inputs inputs;
    inputs.boxes = {"12", "100", "22000", "4700", "2200", "470"};
    inputs.si = true;
    return inputs;
}

// "@" stands for the test's folder, which holds app/ (the program's folder),
// home/ and a regular file named file; state/ does not exist yet.
std::string At(const TempDir& top, const char* text) {
    std::string path = text;
    for (std::size_t at; (at = path.find('@')) != std::string::npos;) {
        path.replace(at, 1, top.path().string());
    }
    return path;
}

TEST(LastRunPlaceTest, ReadingAndSavingFollowOneRule) {
    constexpr auto kPortable = LastRunPlace::Rule::kPortable;
    constexpr auto kPackaged = LastRunPlace::Rule::kPackaged;
    constexpr const char* kUnset = nullptr;
    struct Case {
        const char* label;
        LastRunPlace::Rule rule;
        bool refusedBeside;  // foreseen without writing
        int besideError;     // met by the save itself
        const char* xdgStateHome;
        const char* home;
        const char* reads;    // "" for no file
        const char* outcome;  // the file saved, or a part of the message
    };
    const Case cases[] = {
        {"beside the program", kPortable, false, 0, "@/state", "@/home", "@/app/Tindrel.dat",
         "@/app/Tindrel.dat"},
        {"folder refuses", kPortable, true, 0, "@/state", "@/home", "@/state/tindrel/Tindrel.dat",
         "@/state/tindrel/Tindrel.dat"},
        // Refusals the host did not foresee: the save's own failure decides.
        {"save denied", kPortable, false, EACCES, "@/state", "@/home", "@/app/Tindrel.dat",
         "@/state/tindrel/Tindrel.dat"},
        {"read-only file system", kPortable, false, EROFS, "@/state", "@/home", "@/app/Tindrel.dat",
         "@/state/tindrel/Tindrel.dat"},
        {"full disk", kPortable, false, ENOSPC, "@/state", "@/home", "@/app/Tindrel.dat",
         "to @/app/Tindrel.dat: No space left on device."},
        {"packaged", kPackaged, false, 0, "@/state", "@/home", "@/state/tindrel/Tindrel.dat",
         "@/state/tindrel/Tindrel.dat"},
        {"XDG_STATE_HOME unset", kPackaged, false, 0, kUnset, "@/home",
         "@/home/.local/state/tindrel/Tindrel.dat", "@/home/.local/state/tindrel/Tindrel.dat"},
        {"XDG_STATE_HOME empty", kPackaged, false, 0, "", "@/home/",
         "@/home/.local/state/tindrel/Tindrel.dat", "@/home/.local/state/tindrel/Tindrel.dat"},
        {"XDG_STATE_HOME relative", kPackaged, false, 0, "state", "@/home",
         "@/home/.local/state/tindrel/Tindrel.dat", "@/home/.local/state/tindrel/Tindrel.dat"},
        {"no HOME", kPortable, true, 0, "state", kUnset, "",
         "Could not save the last run: neither XDG_STATE_HOME nor HOME"},
        {"state folder is a file", kPackaged, false, 0, "@/file", "@/home",
         "@/file/tindrel/Tindrel.dat", "There is a file where the folder @/file should be."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir top;
        std::filesystem::create_directory(top.path() / "app");
        std::filesystem::create_directory(top.path() / "home");
        storage_test::WriteAll(top.File("file"), "x");
        FakeEnvironment env;
        env.refuses = c.refusedBeside;
        if (c.xdgStateHome) env.variables["XDG_STATE_HOME"] = At(top, c.xdgStateHome);
        if (c.home) env.variables["HOME"] = At(top, c.home);
        FailingOps ops;
        ops.folder = top.File("app");
        ops.openError = c.besideError;
        const LastRunPlace place(top.File("app"), c.rule, env, ops);

        EXPECT_EQ(place.PathToRead().value_or(""), At(top, c.reads));
        const std::string outcome = At(top, c.outcome);
        try {
            place.Save(SomeInputs());
            EXPECT_EQ(ReadAll(outcome), storage::EncodeLastRun(SomeInputs()));
            struct stat folder {};
            ASSERT_EQ(::stat(std::filesystem::path(outcome).parent_path().c_str(), &folder), 0);
            if (outcome.find("/tindrel/") != std::string::npos) {
                EXPECT_EQ(folder.st_mode & 07777, 0700u);
            }
        } catch (const storage::SaveError& error) {
            EXPECT_NE(std::string(error.what()).find(outcome), std::string::npos) << error.what();
            EXPECT_EQ(place.Load(), storage::Loaded{});
        }
    }
}

// A program folder shared by the users of a machine, as an ordinary user
// meets it: wherever Close put the last run, the next start reads it back,
// and it goes to the user's state folder only where the program's folder and
// file refuse them.
TEST(LastRunPlaceTest, TheNextStartReadsWhatCloseWroteWhereverTheProgramFolderRefuses) {
    const bool root = ::geteuid() == 0;
    struct Case {
        const char* label;
        mode_t folderMode;
        mode_t fileMode;  // 0: no Tindrel.dat beside the program
        bool perUser;
    };
    const Case cases[] = {
        {"read-only folder", 0555, 0, true},
        {"read-only folder, writable file", 0555, 0666, false},
        {"read-only folder and file", 0555, 0444, true},
        // Someone else's file in a sticky folder cannot be renamed over.
        {"sticky folder, writable file", 01777, 0666, false},
        {"sticky folder, read-only file", 01777, 0444, root},
        {"writable folder", 0777, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir top;
        const std::string app = top.File("app");
        const std::string home = top.File("home");
        const std::string beside = app + "/Tindrel.dat";
        ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(app.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
        ASSERT_EQ(::chmod(home.c_str(), 0777), 0);  // the user nobody has no home of its own
        if (c.fileMode != 0) {
            storage_test::WriteAll(beside, "old\r\n");
            ASSERT_EQ(::chmod(beside.c_str(), c.fileMode), 0);
        }
        ASSERT_EQ(::chmod(app.c_str(), c.folderMode), 0);
        // Writable again at the end, so that an ordinary user can remove it.
        const struct Reopen {
            std::string dir;
            ~Reopen() { ::chmod(dir.c_str(), 0755); }
        } reopen{app};

        const storage::Inputs inputs = SomeInputs();
        const storage_test::Unprivileged run = storage_test::RunUnprivileged(app, [&] {
            ::setenv("HOME", home.c_str(), 1);
            ::unsetenv("XDG_STATE_HOME");
            try {
                LastRunPlace(app, LastRunPlace::Rule::kPortable).Save(inputs);
            } catch (const storage::SaveError& error) {
                return std::string(error.what());
            }
            // The next start.
            return LastRunPlace(app, LastRunPlace::Rule::kPortable).Load().boxes[storage::kR1];
        });
        if (!run.ran) GTEST_SKIP() << run.text;
        EXPECT_EQ(run.text, "22.00e+3");
        const std::string perUser = home + "/.local/state/tindrel/Tindrel.dat";
        EXPECT_EQ(ReadAll(c.perUser ? perUser : beside), storage::EncodeLastRun(inputs));
        EXPECT_EQ(std::filesystem::exists(perUser), c.perUser);
    }
}

}  // namespace
