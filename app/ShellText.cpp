#include "app/ShellText.h"

#include "core/EngineeringFormat.h"

namespace app {

std::string ShellReadAs(const core::InputReading& reading, bool strict) {
    std::string sentence = "Read as ";
    sentence += core::ShownNumber(core::ShownReadValue(reading));
    sentence += ": the text from \"";
    sentence += reading.rest;
    sentence += "\" on is not read";
    if (reading.hasFix) {
        sentence += "; write ";
        sentence += reading.fixed;
        sentence += strict ? "" : ", or use --strict to stop here";
    } else if (!strict) {
        sentence += "; use --strict to stop here";
    }
    sentence += '.';
    return sentence;
}

}  // namespace app
