#include "core/StageInputs.h"

#include "platform/Utf8.h"

namespace core {

std::string_view InputName(std::size_t input) {
    static constexpr std::array<std::string_view, kInputCount> kNames = {"Vcc", "Beta", "R1",
                                                                         "R2",  "Rc",   "Re"};
    return input < kInputCount ? kNames[input] : std::string_view("input");
}

std::string_view InputLabel(std::size_t input) {
    static constexpr std::array<std::string_view, kInputCount> kLabels = {
        "supply voltage box (Vcc)",
        "current gain box (Beta)",
        "R1 box",
        "R2 box",
        "Rc box",
        "Re box",
    };
    return input < kInputCount ? kLabels[input] : std::string_view("input box");
}

std::string& TextOf(StageTexts& texts, std::size_t input) {
    switch (input) {
        case kInputVcc:
            return texts.Vcc;
        case kInputBeta:
            return texts.Beta;
        case kInputR1:
            return texts.R1;
        case kInputR2:
            return texts.R2;
        case kInputRc:
            return texts.Rc;
        default:
            return texts.Re;
    }
}

const std::string& TextOf(const StageTexts& texts, std::size_t input) {
    return TextOf(const_cast<StageTexts&>(texts), input);
}

std::string TooLargeMessage(std::size_t input, std::string_view text) {
    std::string message = "Overflow: the ";
    message += InputLabel(input);
    message += " holds a number too large to calculate with: ";
    message += platform::Abbreviate(text, 40);
    message += ".";
    return message;
}

}  // namespace core
