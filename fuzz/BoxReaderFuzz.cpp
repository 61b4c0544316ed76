// Feeds arbitrary text to the box reader under several rules, and the
// spread's six boxes read together, and checks what must hold for every
// text: a value taken is finite and within its rule; a number too large is
// the one fault "too large"; a value meant reads back whole as itself.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/InputReading.h"
#include "core/Spread.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// The rules of the program's boxes, or their like: lenient, strict with a
// range, with multipliers.
const std::array<core::InputRule, 7> kRules = {{
    core::LenientRule(core::InputUnit::Ohm),
    core::LenientRule(core::InputUnit::Volt),
    {core::InputUnit::Percent, 0, 100, true, false, false, false},
    {core::InputUnit::Celsius, -55, 150, true, true, false, false},
    {core::InputUnit::Milliampere, 0, kInf, false, true, false, false},
    {core::InputUnit::Farad, 0, kInf, false, true, false, false, true},
    {core::InputUnit::Hertz, 0, 1e12, false, true, true, true, true},
}};

void CheckRead(std::string_view text, const core::InputRule& rule) {
    const core::InputResult result = core::ReadBox(text, rule);
    const core::InputReading& r = result.reading;
    Check(r.rest.size() <= 12 * 4);
    if (r.overflow) Check(!result.ok());
    if (result.ok()) {
        Check(std::isfinite(result.value()));
        Check(result.value() >= rule.min && result.value() <= rule.max);
        Check(r.readWhole || rule.lenient);
    }
    if (r.hasFix) {
        Check(std::isfinite(r.meant) && !r.readWhole);
        const core::InputReading again = core::ReadInput(r.fixed, rule.unit);
        Check(again.readWhole && !again.overflow && again.value == r.meant);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const core::InputRule& rule : kRules) CheckRead(text, rule);

    // Six boxes, one a line.
    core::SpreadTexts texts;
    std::size_t box = 0;
    for (char c : text) {
        if (c == '\n') {
            if (++box == texts.size()) break;
        } else {
            texts[box] += c;
        }
    }
    for (bool follows : {false, true}) {
        core::SpreadSettings settings;
        const core::SpreadReading reading = core::ReadSpreadBoxes(texts, follows, settings);
        if (!reading.ok()) continue;
        Check(settings.hfeFrom > 0 && settings.hfeFrom <= settings.hfeTo);
        Check(std::isfinite(settings.hfeTo));
        Check(settings.resistorTolerance >= 0 && settings.resistorTolerance < 100);
        Check(settings.vccTolerance >= 0 && settings.vccTolerance < 100);
        Check(settings.temperatureFrom >= -55 &&
              settings.temperatureFrom <= settings.temperatureTo);
        Check(settings.temperatureTo <= 150);
    }
    return 0;
}
