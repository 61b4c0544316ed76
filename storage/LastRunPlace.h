#pragma once

#include <optional>
#include <string>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "storage/LastRunFile.h"

namespace storage {

// Which file holds the last run: one rule, followed by saving and by reading
// alike, so that start-up and Load Last Run read the file that Close writes.
//
// Portable build: Tindrel.dat beside the program whenever this user may save
// it there; where the folder and the file refuse the user (no permission, a
// read-only file system) the per-user file instead, without a word. A full
// disk or an I/O error beside the program is reported as before.
// Packaged build (CMake option TINDREL_PACKAGED): always the per-user file, so
// that a program installed for the whole machine never writes beside itself,
// not even for root.
//
// The per-user file is $XDG_STATE_HOME/tindrel/Tindrel.dat, or
// $HOME/.local/state/tindrel/Tindrel.dat when XDG_STATE_HOME is unset, empty
// or not an absolute path (the XDG Base Directory rules).
class LastRunPlace {
public:
    enum class Rule { kPortable, kPackaged };
    // The rule this program was built with.
    static Rule BuiltRule();

    explicit LastRunPlace(std::string appDir, Rule rule = BuiltRule(),
                          const platform::Environment& env = platform::SystemEnvironment(),
                          platform::FileOps& ops = platform::SystemFileOps());

    // The file that Save would write now; nullopt when that is the per-user
    // file and neither HOME nor XDG_STATE_HOME names a folder for it.
    std::optional<std::string> PathToRead() const;

    // Reads the file of PathToRead. Never fails: no file to read, like any
    // failure of LoadLastRunFile, gives six empty texts and no option.
    Loaded Load() const noexcept;

    // Saves the inputs to the file of the rule, creating missing folders of
    // the per-user file with mode 0700. Throws SaveError as SaveLastRun does,
    // naming the file, also when the per-user file has no folder or its
    // folder cannot be made; the old file is then as it was.
    void Save(const Inputs& inputs) const;

    // The per-user file, nullopt when no folder for it is named.
    std::optional<std::string> PerUserPath() const;

private:
    bool BesideFirst() const;
    void SavePerUser(const Inputs& inputs) const;

    std::string appDir_;
    Rule rule_;
    const platform::Environment& env_;
    platform::FileOps& ops_;
};

}  // namespace storage
