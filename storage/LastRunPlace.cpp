#include "storage/LastRunPlace.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <utility>

namespace storage {
namespace {

// The variable's value when it is an absolute path, without trailing
// separators ("/" becomes the empty text, so that "/" and a name can follow).
std::optional<std::string> AbsoluteFolder(const platform::Environment& env, const char* name) {
    std::optional<std::string> value = env.Variable(name);
    if (!value || value->empty() || value->front() != '/') return std::nullopt;
    while (!value->empty() && value->back() == '/') value->pop_back();
    return value;
}

// Makes every missing folder on the way to `dir` with mode 0700, as the XDG
// Base Directory rules ask. Written on FileOps rather than with
// std::filesystem::create_directories so that a test can fail any step, and
// so that each failure can name the folder at fault. `file` is the file the
// folders are for, which the message names.
void MakeFolders(const std::string& dir, const std::string& file, platform::FileOps& ops) {
    std::filesystem::path folder;
    for (const std::filesystem::path& part : std::filesystem::path(dir)) {
        folder /= part;
        struct stat info {};
        if (ops.Stat(folder.string(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) continue;
            throw SaveError::Unwritable(
                file, "There is a file where the folder " + folder.string() + " should be",
                ENOTDIR);
        }
        int error = errno;
        if (error == ENOENT) error = ops.Mkdir(folder.string(), 0700) == 0 ? 0 : errno;
        // EEXIST: another program made it just now.
        if (error != 0 && error != EEXIST) {
            throw SaveError::Unwritable(
                file,
                "The folder " + folder.string() + " could not be made: " + platform::ErrnoText(error),
                error);
        }
    }
}

}  // namespace

LastRunPlace::Rule LastRunPlace::BuiltRule() {
#ifdef TINDREL_PACKAGED
    return Rule::kPackaged;
#else
    return Rule::kPortable;
#endif
}

LastRunPlace::LastRunPlace(std::string appDir, Rule rule, const platform::Environment& env,
                           platform::FileOps& ops)
    : appDir_(std::move(appDir)), rule_(rule), env_(env), ops_(ops) {}

std::optional<std::string> LastRunPlace::PerUserPath() const {
    std::optional<std::string> base = AbsoluteFolder(env_, "XDG_STATE_HOME");
    if (!base) {
        base = AbsoluteFolder(env_, "HOME");
        if (!base) return std::nullopt;
        *base += "/.local/state";
    }
    return *base + "/tindrel/" + std::string(kFileName);
}

// Reading cannot try a save to learn where Close would write, so both sides
// first ask the same question without writing: would a save beside the
// program be refused for permission? The answer follows the steps of the save
// (folder, sticky folder, file in place), so the two agree. What that look
// cannot foresee (an access control list on a network share, a security
// module) still ends in the per-user file, since Save also falls back on the
// save's own permission failure; only then can reading, which keeps to the
// program's folder, miss the file that Close wrote.
bool LastRunPlace::BesideFirst() const {
    return rule_ == Rule::kPortable && !env_.RefusesReplace(LastRunPath(appDir_));
}

std::optional<std::string> LastRunPlace::PathToRead() const {
    if (BesideFirst()) return LastRunPath(appDir_);
    return PerUserPath();
}

Loaded LastRunPlace::Load() const noexcept {
    try {
        const std::optional<std::string> path = PathToRead();
        return path ? LoadLastRunFile(*path) : Loaded{};
    } catch (...) {
        // Out of memory: as if there were no file.
        return Loaded{};
    }
}

void LastRunPlace::Save(const Inputs& inputs) const {
    if (BesideFirst()) {
        try {
            SaveLastRun(LastRunPath(appDir_), inputs, ops_);
            return;
        } catch (const SaveError& error) {
            if (!platform::IsPermissionError(error.error())) throw;
        }
    }
    SavePerUser(inputs);
}

void LastRunPlace::SavePerUser(const Inputs& inputs) const {
    const std::optional<std::string> path = PerUserPath();
    if (!path) {
        throw SaveError(
            "Could not save the last run: neither XDG_STATE_HOME nor HOME names an absolute "
            "folder to keep it in. Your inputs are still in the window.");
    }
    // A number too large to save is reported before any folder is made.
    EncodeLastRun(inputs);
    MakeFolders(std::filesystem::path(*path).parent_path().string(), *path, ops_);
    SaveLastRun(*path, inputs, ops_);
}

}  // namespace storage
