#include "ui/design/DesignText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "core/ESeries.h"
#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

namespace ui {
namespace {

using core::Design;
using core::Resistors;
using core::SeriesName;
using core::ShownNumber;
using core::Spread;

// Currents are shown in milliamperes.
constexpr double kMilliamperesPerAmpere = 1000;

const std::string kOhm = "\u03a9";

// `digits` with the decimal point moved `places` to the left; trailing zeros
// of the fraction and a trailing point dropped.
std::string ShiftPoint(const std::string& plain, int places) {
    const std::size_t point = plain.find('.');
    std::string digits = plain;
    std::size_t whole = plain.size();
    if (point != std::string::npos) {
        digits.erase(point, 1);
        whole = point;
    }
    while (static_cast<int>(whole) <= places) {
        digits.insert(0, 1, '0');
        ++whole;
    }
    whole -= static_cast<std::size_t>(places);
    std::string text = digits.substr(0, whole);
    std::string fraction = digits.substr(whole);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

// The unit prefix of an engineering suffix ("+3" -> "k").
std::string_view Prefix(std::string_view exponent) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kPrefixes = {{
        {"-15", "f"},
        {"-12", "p"},
        {"-9", "n"},
        {"-6", "\u00b5"},
        {"-3", "m"},
        {"+3", "k"},
        {"+6", "M"},
        {"+9", "G"},
        {"+12", "T"},
    }};
    for (const auto& [suffix, prefix] : kPrefixes) {
        if (suffix == exponent) return prefix;
    }
    return "";
}

}  // namespace

std::string Describe(const Design& design) {
    if (!design.ok) return "No design: " + design.reason + ".";
    const auto list = [](const Resistors& r) {
        return "R1 = " + ShownNumber(r.R1) + " ohms, R2 = " + ShownNumber(r.R2) +
               " ohms, Rc = " + ShownNumber(r.Rc) + " ohms, Re = " + ShownNumber(r.Re) + " ohms";
    };
    std::string text = "Design: " + list(design.exact) + ". ";
    text += SeriesName(design.series);
    text += ": " + list(design.standard) +
            ", giving Ic = " + ShownNumber(design.Ic * kMilliamperesPerAmpere) +
            " mA, Vce = " + ShownNumber(design.Vce) + " V.";
    return text;
}

std::string OutcomeLine(const Design& design) {
    if (!design.ok) return Describe(design);
    return "With " + std::string(SeriesName(design.series)) +
           " values: Ic = " + ShownNumber(design.Ic * kMilliamperesPerAmpere) + " mA (" +
           PercentText(design.icError) + "), Vce = " + ShownNumber(design.Vce) + " V (" +
           PercentText(design.vceError) + ")";
}

std::string DesignSpreadLine(const Spread& spread) {
    if (!spread.ok) return "No spread: " + spread.reason + ".";
    const std::string corners = std::to_string(spread.corners);
    return "Spread over " + corners + (spread.corners == 1 ? " corner" : " corners") +
           ": Ic from " + ShownNumber(spread.icLow * kMilliamperesPerAmpere) + " to " +
           ShownNumber(spread.icHigh * kMilliamperesPerAmpere) + " mA; " +
           std::to_string(spread.activeCorners) + " of " + corners + " stay active.";
}

std::string StandardResistorText(double ohms) {
    if (!std::isfinite(ohms)) return ShownNumber(ohms) + " " + kOhm;
    const double magnitude = std::abs(ohms);
    const int places = magnitude >= 1e6 ? 6 : (magnitude >= 1e3 ? 3 : 0);
    const std::string_view prefix = places == 6 ? "M" : (places == 3 ? "k" : "");
    std::string plain = platform::PlainText(magnitude);
    std::string text = ohms < 0 ? "-" : "";
    text += ShiftPoint(plain, places) + " ";
    text += prefix;
    return text + kOhm;
}

std::string ExactResistorText(double ohms) {
    // The field's mantissa and exponent, so that the table agrees digit for
    // digit with the description.
    const std::string shown = ShownNumber(ohms);
    const std::size_t e = shown.find('e');
    if (e == std::string::npos) return shown + " " + kOhm;
    const std::string_view prefix = Prefix(std::string_view(shown).substr(e + 1));
    if (prefix.empty()) return shown + " " + kOhm;
    return shown.substr(0, e) + " " + std::string(prefix) + kOhm;
}

std::string PercentText(double fraction) {
    // Room for the widest fixed-point double.
    std::array<char, 400> buffer{};
    const double percent = fraction * 100;
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), percent,
                                   std::chars_format::fixed, 2)
                         .ptr;
    std::string digits(buffer.data(), end);
    // A change too small to show is neither up nor down.
    if (digits == "-0.00" || digits == "0.00") return "0.00 %";
    if (digits.front() != '-') digits.insert(0, 1, '+');
    return digits + " %";
}

}  // namespace ui
