#pragma once

#include <optional>
#include <string>

namespace platform {

// What the process learns from its host about the user it runs for: its
// environment variables and what its permissions allow. Virtual, so that a
// test can give its own answers; the base class asks the system.
class Environment {
public:
    virtual ~Environment() = default;

    // The value of the environment variable, nullopt when it is not set.
    virtual std::optional<std::string> Variable(const std::string& name) const;

    // Whether ReplaceFile(path) would be refused for lack of permission
    // (EACCES, EPERM or EROFS), foreseen without writing anything: the folder
    // refuses the temporary file or the rename, and the file may not be
    // written in place either. Other faults (a missing folder, a dangling
    // link) are not foreseen: the save reports them itself.
    virtual bool RefusesReplace(const std::string& path) const;
};

// The system's own answers.
const Environment& SystemEnvironment();

}  // namespace platform
