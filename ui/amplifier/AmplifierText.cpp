#include "ui/amplifier/AmplifierText.h"

#include <array>
#include <cmath>

#include "core/EngineeringFormat.h"

namespace ui {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Shown(double value) { return Q(core::ShownNumber(value)); }

QString Reason(core::AmplifierBox box, const core::BoxReading& reading, double Re) {
    const core::AmplifierBoxRule& rule = core::RuleOf(box);
    switch (reading.fault) {
        case core::BoxFault::kEmpty:
            return QStringLiteral("is empty");
        case core::BoxFault::kNotNumber:
            return QStringLiteral("cannot be read from \"%1\" on").arg(Q(reading.rest).left(12));
        case core::BoxFault::kTooLarge:
            return QStringLiteral("is too large to calculate with");
        case core::BoxFault::kBelowRange:
            return rule.lowestIncluded ? QStringLiteral("must not be negative")
                                       : QStringLiteral("must be above 0");
        case core::BoxFault::kAboveRe:
            return QStringLiteral("is above Re (%1 Ω)").arg(Shown(Re));
        case core::BoxFault::kNone:
            break;
    }
    return {};
}

}  // namespace

QString BoxFaultSentence(core::AmplifierBox box, const core::BoxReading& reading, double Re) {
    if (reading.fault == core::BoxFault::kNone) return {};
    return Q(core::RuleOf(box).name) + QLatin1Char(' ') + Reason(box, reading, Re);
}

QString NoAnalysisSentence(const core::AmplifierAnalysis& analysis, double Re) {
    QString why;
    switch (analysis.stop) {
        case core::AmplifierStop::kNone:
            return {};
        case core::AmplifierStop::kNoCalculation:
            why = QStringLiteral("there is no whole Calculate of the stage yet");
            break;
        case core::AmplifierStop::kCutOff:
            why = QStringLiteral("the transistor is cut off");
            break;
        case core::AmplifierStop::kSaturated:
            why = QStringLiteral("the transistor is saturated");
            break;
        case core::AmplifierStop::kBadBox: {
            core::BoxReading reading;
            reading.fault = analysis.boxFault;
            reading.rest = analysis.rest;
            why = BoxFaultSentence(analysis.box, reading, Re);
            break;
        }
        case core::AmplifierStop::kNotFinite:
            why = QStringLiteral("the values are too extreme to calculate with");
            break;
    }
    return QStringLiteral("No analysis: ") + why + QLatin1Char('.');
}

QString HandDescription(const core::SmallSignal& s) {
    const auto corner = [](const std::optional<double>& f) {
        return f ? Shown(*f) + QStringLiteral(" Hz") : QStringLiteral("none");
    };
    return QStringLiteral("Hand: |Avs| = %1, fL = %2, fH = %3.")
        .arg(Shown(s.Avs), corner(s.fL), corner(s.fH));
}

TextRows HandTable(const core::AmplifierAnalysis& analysis) {
    TextRows rows;
    rows.push_back({"", "Hand"});
    for (const core::AmplifierRow& row : core::AmplifierRows(analysis.figures)) {
        std::string name(row.name);
        if (!row.unit.empty()) name += ", " + std::string(row.unit);
        std::string value;
        if (analysis.ok()) value = row.value ? core::ShownNumber(*row.value) : "\u2013";
        rows.push_back({name, value});
    }
    return rows;
}

QString AcLoadLineDescription(const core::SmallSignal& s) {
    return QStringLiteral(" AC load line: slope -1/%1 ohm, swing %2 V peak.")
        .arg(Shown(s.acResistance), Shown(s.Swing));
}

QString BoxText(double value) {
    // The multipliers that the boxes read, from pico to giga.
    static constexpr std::array<const char*, 8> kPrefixes = {"p", "n", "µ", "m", "", "k", "M", "G"};
    if (!(value > 0) || !std::isfinite(value)) return QString::number(value, 'g', 4);
    int step = static_cast<int>(std::floor(std::log10(value) / 3));
    step = std::max(-4, std::min(3, step));
    const double mantissa = value / std::pow(1000.0, step);
    return QString::number(mantissa, 'g', 4) +
           QString::fromUtf8(kPrefixes[static_cast<std::size_t>(step + 4)]);
}

}  // namespace ui
