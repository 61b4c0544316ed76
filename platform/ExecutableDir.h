#pragma once

#include <string>

namespace platform {

// The directory that holds the running executable, without a trailing
// separator: "/opt/tindrel" for /opt/tindrel/tindrel, and the empty text for
// an executable in the root directory, so that appending "/" and a file name
// always gives a valid path.
// Throws std::system_error when the system cannot tell where the executable is.
std::string ExecutableDir();

}  // namespace platform
