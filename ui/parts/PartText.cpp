#include "ui/parts/PartText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/TextNumber.h"

namespace ui {
namespace {

constexpr std::string_view kMinus = "\u2212";

// `value` to `digits` significant digits, as a person writes it: "0.71", "48".
std::string Digits(double value, int digits) {
    if (!std::isfinite(value)) return platform::PlainText(0);
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return platform::PlainText(std::strtod(text, nullptr));
}

// Three significant digits, and more where three would show a figure above
// its limit as the limit itself.
std::string Against(double value, double limit) {
    int digits = 3;
    while (digits < 17 && Digits(value, digits) == Digits(limit, digits)) ++digits;
    return Digits(value, digits);
}

// A current or a power below one of its unit in thousandths: "200 mA".
std::string WithPrefix(double value, std::string_view unit) {
    if (std::fabs(value) < 1) return Digits(value * 1000, 3) + " m" + std::string(unit);
    return Digits(value, 3) + " " + std::string(unit);
}

std::string Source(core::RatingSource source) {
    switch (source) {
        case core::RatingSource::Supply:
            return "the transistor sees it when cut off";
        case core::RatingSource::Calculated:
            return "calculated";
        case core::RatingSource::Spread:
            return "spread's highest";
        case core::RatingSource::Spice:
            return "SPICE";
    }
    return {};
}

std::string Exceeded(const core::Exceeded& over) {
    const std::string source = " (" + Source(over.source) + ")";
    switch (over.rating) {
        case core::Rating::Vceo:
            return "Vcc " + Against(over.value, over.limit) + " V above Vceo " +
                   Digits(over.limit, 3) + " V" + source;
        case core::Rating::Ic: {
            // In the limit's unit, so that the two compare at a glance.
            const double scale = over.limit < 1 ? 1000 : 1;
            const std::string unit = over.limit < 1 ? " mA" : " A";
            return "Ic " + Against(over.value * scale, over.limit * scale) + unit + source +
                   " above the rated Ic " + Digits(over.limit * scale, 3) + unit;
        }
        case core::Rating::Pd:
            return "Pc " + Against(over.value, over.limit) + " W" + source + " above Pd " +
                   Digits(over.limit, 3) + " W";
    }
    return {};
}

}  // namespace

std::string SpicePartLabel(const storage::CatalogueEntry& part, double Vcc) {
    if (part.type != sim::Polarity::Pnp) return part.name;
    return part.name + " (PNP, from " + std::string(kMinus) + platform::PlainText(std::fabs(Vcc)) +
           " V)";
}

core::RatedFigures StageFigures(double Vcc, const core::LoadLine& line, const core::Spread* spread,
                                const std::optional<sim::Point>& spice) {
    core::RatedFigures figures;
    figures.Vcc = std::fabs(Vcc);
    // The model's point is the transistor's only in the active region; in
    // saturation the load line's end bounds the current, and Vce, a strip's
    // width at most, leaves little to dissipate.
    if (line.drawn && line.region == core::Region::Active) {
        figures.Ic = std::fabs(line.Ic);
        figures.Pc = std::fabs(line.Ic * line.Vce);
    } else if (line.drawn && line.region == core::Region::Saturation) {
        figures.Ic = std::fabs(line.Isat);
        figures.Pc = std::fabs(line.Isat * line.strip);
    }
    if (spread != nullptr && spread->ok) {
        const auto& ic = spread->table[static_cast<int>(core::SpreadQuantity::Ic)];
        const auto& pc = spread->table[static_cast<int>(core::SpreadQuantity::Pc)];
        figures.spreadIc = std::max(std::fabs(ic.low), std::fabs(ic.high));  // amperes
        figures.spreadPc = std::max(std::fabs(pc.low), std::fabs(pc.high));
    }
    if (spice) {
        figures.spiceIc = std::fabs(spice->Ic);
        figures.spicePc = std::fabs(spice->Ic * spice->Vce);
    }
    return figures;
}

std::string RatingsSentence(std::string_view part, const core::PartRatings& ratings,
                            const core::RatingsCheck& check) {
    const std::string name(part);
    if (check.unrated) {
        return "No ratings are known for the " + name +
               ", so the stage is not checked against them.";
    }
    if (!check.exceeded.empty()) {
        std::string text = "Beyond the " + name + "'s ratings: ";
        for (std::size_t i = 0; i < check.exceeded.size(); ++i) {
            text += (i > 0 ? "; " : "") + Exceeded(check.exceeded[i]);
        }
        return text + ".";
    }
    std::string known;
    std::string unknown;
    const auto add = [&](const char* rating, const std::optional<double>& value,
                         const std::string& shown) {
        std::string& list = value ? known : unknown;
        list += (list.empty() ? "" : ", ") + std::string(rating) + (value ? " " + shown : "");
    };
    add("Vceo", ratings.Vceo, ratings.Vceo ? Digits(*ratings.Vceo, 3) + " V" : "");
    add("Ic", ratings.Ic, ratings.Ic ? WithPrefix(*ratings.Ic, "A") : "");
    add("Pd", ratings.Pd, ratings.Pd ? WithPrefix(*ratings.Pd, "W") : "");
    if (!unknown.empty()) known += "; not known: " + unknown;
    return "Within the " + name + "'s ratings (" + known + ").";
}

}  // namespace ui
