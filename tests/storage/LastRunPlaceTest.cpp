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

// Fails every open inside one folder, and every mkdir, with the errno given.
class FailingOps : public platform::FileOps {
public:
    std::string folder;
    int openError = 0;
    int mkdirError = 0;

    int Open(const std::string& path, int flags, mode_t mode) override {
        if (openError == 0 || path.rfind(folder + "/", 0) != 0) {
            return FileOps::Open(path, flags, mode);
        }
        errno = openError;
        return -1;
    }
    int Mkdir(const std::string& path, mode_t mode) override {
        if (mkdirError == 0) return FileOps::Mkdir(path, mode);
        errno = mkdirError;
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
            if (outcome == At(top, c.reads)) {
                EXPECT_EQ(place.Load().boxes[storage::kVcc], "12.00");
            }
        } catch (const storage::SaveError& error) {
            EXPECT_NE(std::string(error.what()).find(outcome), std::string::npos) << error.what();
            EXPECT_EQ(place.Load(), storage::Loaded{});
        }
    }
}

TEST(LastRunPlaceTest, AStateFolderThatCannotBeMadeIsReported) {
    TempDir top;
    FakeEnvironment env;
    env.variables["XDG_STATE_HOME"] = top.File("state");
    FailingOps ops;
    ops.mkdirError = EACCES;
    try {
        LastRunPlace(top.File("app"), LastRunPlace::Rule::kPackaged, env, ops).Save(SomeInputs());
        ADD_FAILURE() << "a save without its folder was reported as done";
    } catch (const storage::SaveError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not save the last run to " + top.File("state/tindrel/Tindrel.dat") +
                      ": The folder " + top.File("state") +
                      " could not be made: Permission denied. Your inputs are still in the "
                      "window.");
    }
}

// An install for the whole machine run by an ordinary user: the program's
// folder takes no file from them, so Close saves to their state folder and
// the next start finds it there.
TEST(LastRunPlaceTest, AProgramFolderThatRefusesTheUserSavesToTheirStateFolder) {
    TempDir top;
    const std::string app = top.File("app");
    const std::string home = top.File("home");
    ASSERT_EQ(::chmod(top.path().c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(app.c_str(), 0555), 0);
    ASSERT_EQ(::mkdir(home.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(home.c_str(), 0777), 0);  // past the umask: the user nobody owns no home

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
    EXPECT_EQ(ReadAll(home + "/.local/state/tindrel/Tindrel.dat"), storage::EncodeLastRun(inputs));
    EXPECT_TRUE(std::filesystem::is_empty(app));
}

}  // namespace
