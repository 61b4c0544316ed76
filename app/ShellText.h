#pragma once

#include <string>

#include "core/InputReading.h"

namespace app {

// What tindrel calc says of a value not read whole, for a shell user:
// `Read as 22.00: the text from "k" on is not read; write 22000, or use
// --strict to stop here.` Under --strict, which has stopped, only the fix
// is offered: `...; write 22000.`
std::string ShellReadAs(const core::InputReading& reading, bool strict);

}  // namespace app
