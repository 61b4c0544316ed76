#include "ui/loadline/LoadLineText.h"

#include <cstddef>
#include <utility>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

namespace ui {
namespace {

using core::kHfe;
using core::kReferenceTemperature;
using core::kSpreadQuantities;
using core::kSpreadRows;
using core::kSpreadSamples;
using core::kVbe;
using core::kVcc;
using core::LoadLine;
using core::Region;
using core::ShownNumber;
using core::Spread;
using core::SpreadQuantity;
using core::SpreadSettings;

constexpr double kMilliamperesPerAmpere = 1000;

std::string Count(int n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Plain(double value) { return platform::PlainText(value); }

// What was varied: "Over hFE 50 to 200, ±5 % resistors".
std::string Varied(const SpreadSettings& s) {
    std::string text = "Over hFE " + Plain(s.hfeFrom);
    if (s.hfeTo != s.hfeFrom) text += " to " + Plain(s.hfeTo);
    text += s.resistorTolerance > 0 ? ", \u00b1" + Plain(s.resistorTolerance) + " % resistors"
                                    : ", exact resistors";
    if (s.vccTolerance > 0) text += ", \u00b1" + Plain(s.vccTolerance) + " % Vcc";
    if (s.temperatureFrom != s.temperatureTo) {
        text += ", " + Plain(s.temperatureFrom) + " to " + Plain(s.temperatureTo) + " \u00b0C";
    } else if (s.temperatureFrom != kReferenceTemperature) {
        text += ", at " + Plain(s.temperatureFrom) + " \u00b0C";
    }
    return text;
}

// One end of a quantity as the sentence names it: "hFE 300", "Rc at +10 %".
std::string EndName(int quantity, bool second, const SpreadSettings& s) {
    static constexpr std::array<std::string_view, kSpreadQuantities> kNames = {
        "hFE", "R1", "R2", "Rc", "Re", "Vcc", ""};
    const std::string sign = second ? "+" : "\u2212";
    switch (quantity) {
        case kHfe:
            return "hFE " + Plain(second ? s.hfeTo : s.hfeFrom);
        case kVcc:
            return "Vcc at " + sign + Plain(s.vccTolerance) + " %";
        case kVbe:
            return Plain(second ? s.temperatureTo : s.temperatureFrom) + " \u00b0C";
        default:
            return std::string(kNames[quantity]) + " at " + sign + Plain(s.resistorTolerance) +
                   " %";
    }
}

// The ends that every corner outside the active region shares, as
// ", all with hFE 300 and Rc at +10 %", or nothing when they share none.
std::string SharedEnds(const Spread& spread, const SpreadSettings& settings) {
    std::vector<std::string> names;
    for (std::size_t bit = 0; bit < spread.varied.size(); ++bit) {
        int seen = -1;  // the end all leaving corners take so far; 2 for both
        for (int corner = 0; corner < spread.corners; ++corner) {
            if (spread.cornerPoints[static_cast<std::size_t>(corner)].region == Region::Active) {
                continue;
            }
            const int end = (corner >> bit) & 1;
            seen = seen < 0 || seen == end ? end : 2;
        }
        if (seen == 0 || seen == 1) names.push_back(EndName(spread.varied[bit], seen, settings));
    }
    if (names.empty()) return {};
    const bool one = spread.corners - spread.activeCorners == 1;
    std::string text = one ? ", with " : ", all with ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

// Which corners stay active and where the others go.
std::string CornerRegions(const Spread& spread, const SpreadSettings& settings) {
    const int n = spread.corners;
    if (spread.activeCorners == n) {
        return n == 1 ? "the one corner stays in the active region"
                      : "all " + std::to_string(n) + " corners stay in the active region";
    }
    std::string text;
    if (n == 1) {
        text = "the one corner ";
    } else {
        text = spread.activeCorners == 0
                   ? "no corner of " + std::to_string(n)
                   : std::to_string(spread.activeCorners) + " of " + std::to_string(n) + " corners";
        // "1 of 32 corners stays", "no corner of 32 stays", "2 of 32 corners stay".
        text += spread.activeCorners <= 1 ? " stays in the active region: "
                                          : " stay in the active region: ";
    }
    std::string leaving;
    if (spread.saturatedCorners > 0) {
        leaving = n == 1 ? "saturates" : Count(spread.saturatedCorners, "saturates", "saturate");
    }
    if (spread.cutOffCorners > 0) {
        if (!leaving.empty()) leaving += ", ";
        leaving += n == 1 ? "is cut off" : Count(spread.cutOffCorners, "is cut off", "are cut off");
    }
    if (n > 1) leaving += SharedEnds(spread, settings);
    return text + leaving;
}

}  // namespace

std::string_view RegionName(Region region) {
    switch (region) {
        case Region::Active:
            return "active region";
        case Region::Saturation:
            return "saturation";
        case Region::CutOff:
            return "cut-off";
    }
    return "";
}

std::string Describe(const LoadLine& line) {
    if (!line.drawn) return "No load line: " + line.reason + ".";
    std::string text = "Load line: Vce = " + ShownNumber(line.Vcc) + " V at Ic = 0, Ic = ";
    text += ShownNumber(line.Isat) + " A at Vce = 0. Q point: Vce = " + ShownNumber(line.Vce);
    text += " V, Ic = " + ShownNumber(line.Ic) + " A, ";
    text += RegionName(line.region);
    text += ".";
    return text;
}

std::string RegionSentence(const LoadLine& line) {
    if (!line.drawn) return Describe(line);
    switch (line.region) {
        case Region::Active:
            return "Active region: the Q point lies on the load line between cut-off and the "
                   "shaded saturation strip, as the result lines assume.";
        case Region::Saturation:
            return "Saturation: Vce is below " + ShownNumber(line.strip) +
                   " V, so the real current is lower than the model's, about the load line's "
                   "end of " +
                   ShownNumber(line.Isat) + " A.";
        case Region::CutOff:
            return "Cut-off: the divider's voltage (" + ShownNumber(line.Vth) +
                   " V) is below Vbe (" + ShownNumber(line.Vbe) +
                   " V), so the real current is about zero.";
    }
    return "";
}

std::string DescribeSpread(const Spread& spread) {
    if (!spread.ok) return " No spread: " + spread.reason + ".";
    std::string text = " Spread over " + Count(spread.corners, "corner", "corners");
    text += ": Ic from " + ShownNumber(spread.icLow) + " A to " + ShownNumber(spread.icHigh);
    text += " A, Vce from " + ShownNumber(spread.vceLow) + " V to " + ShownNumber(spread.vceHigh);
    text += " V; " + std::to_string(spread.activeCorners) + " active, ";
    text += std::to_string(spread.saturatedCorners) + " in saturation, ";
    text += std::to_string(spread.cutOffCorners) + " in cut-off. Monte Carlo: ";
    text += std::to_string(kSpreadSamples) + " samples, ";
    text += ShownNumber((100.0 * spread.activeSamples) / kSpreadSamples) + " % active.";
    return text;
}

std::string SpreadSentence(const Spread& spread, const SpreadSettings& settings) {
    if (!spread.ok) return "No spread: " + spread.reason + ".";
    std::string text = Varied(settings) + ": " + CornerRegions(spread, settings);
    text += "; Ic from " + ShownNumber(spread.icLow * kMilliamperesPerAmpere) + " to " +
            ShownNumber(spread.icHigh * kMilliamperesPerAmpere) + " mA.";
    if (spread.activeSamples != kSpreadSamples) {
        text += " Of " + std::to_string(kSpreadSamples) + " random stages, " +
                ShownNumber((100.0 * spread.activeSamples) / kSpreadSamples) + " % are active.";
    }
    return text;
}

std::vector<SpreadTableRow> SpreadTable(const Spread& spread, const core::BiasPoint& nominal) {
    const double vce = nominal.Vc - nominal.Ve;
    const std::array<double, kSpreadRows> nominals = {nominal.Ic, nominal.Ve, nominal.Vc, vce,
                                                      (vce * nominal.Ic) / 1000};
    static constexpr std::array<std::string_view, kSpreadRows> kLabels = {
        "Ic, mA", "Ve, V", "Vc, V", "Vce, V", "Pc, W"};
    std::vector<SpreadTableRow> rows;
    rows.reserve(kSpreadRows + 1);
    rows.push_back({"", "Lowest", "Nominal", "Highest"});
    for (std::size_t i = 0; i < kSpreadRows; ++i) {
        SpreadTableRow row{std::string(kLabels[i]), "", ShownNumber(nominals[i]), ""};
        if (spread.ok) {
            // The table shows Ic in mA, as the result lines do.
            const double scale =
                i == static_cast<std::size_t>(SpreadQuantity::Ic) ? kMilliamperesPerAmpere : 1;
            row[1] = ShownNumber(spread.table[i].low * scale);
            row[3] = ShownNumber(spread.table[i].high * scale);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string TabSeparated(const std::vector<SpreadTableRow>& rows) {
    std::string text;
    for (const SpreadTableRow& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += '\t';
            text += row[i];
        }
        text += '\n';
    }
    return text;
}

}  // namespace ui
