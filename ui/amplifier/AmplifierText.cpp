#include "ui/amplifier/AmplifierText.h"

#include <QStringList>
#include <array>
#include <cmath>

#include "core/EngineeringFormat.h"
#include "sim/Report.h"

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

namespace {

constexpr std::string_view kNoValue = "\u2013";

std::string Name(std::string_view name, std::string_view unit) {
    std::string text(name);
    if (!unit.empty()) text += ", " + std::string(unit);
    return text;
}

std::string Cell(const std::optional<double>& value) {
    return value ? core::ShownNumber(*value) : std::string(kNoValue);
}

// A measurement's cell: its value, "–" without one, empty while awaited.
std::string MeasureCell(const sim::Measure* measure, bool awaited) {
    if (measure == nullptr) return awaited ? std::string() : std::string(kNoValue);
    return Cell(measure->value);
}

// SPICE's figures by the name of their row.
struct SpiceCells {
    std::string Ic, Vce, hFE, hfe, rpi, ro, Av, Avs, Zin, fL, fH, THD;
};

SpiceCells CellsOf(const sim::AmpResult& result) {
    SpiceCells cells;
    const bool acAwaited = !result.ac && result.acReason == sim::kSimulating;
    const bool tranAwaited = !result.tran && result.tranReason == sim::kSimulating;
    const sim::AmpAc* ac = result.ac ? &*result.ac : nullptr;
    if (ac) {
        const sim::AmpFigures f = sim::FiguresOf(ac->op);
        const sim::Point& p = ac->op.point;
        cells.Ic = core::ShownNumber(f.Ic);
        cells.Vce = core::ShownNumber(f.Vce);
        // In cut-off no current flows into the base: there is no gain.
        const bool conducting = p.Ib > 0 && p.Ic > 0;
        cells.hFE = conducting ? core::ShownNumber(f.hFE) : std::string(kNoValue);
        cells.hfe = ac->op.gpi > 0 ? core::ShownNumber(f.hfe) : std::string(kNoValue);
        cells.rpi = ac->op.gpi > 0 ? core::ShownNumber(f.rpi) : std::string(kNoValue);
        cells.ro = Cell(f.ro);
    } else {
        const std::string none = acAwaited ? std::string() : std::string(kNoValue);
        cells.Ic = cells.Vce = cells.hFE = cells.hfe = cells.rpi = cells.ro = none;
    }
    cells.Av = MeasureCell(ac ? &ac->Av : nullptr, acAwaited);
    cells.Avs = MeasureCell(ac ? &ac->Avs : nullptr, acAwaited);
    cells.Zin = MeasureCell(ac ? &ac->Zin : nullptr, acAwaited);
    cells.fL = MeasureCell(ac ? &ac->fL : nullptr, acAwaited);
    cells.fH = MeasureCell(ac ? &ac->fH : nullptr, acAwaited);
    cells.THD = MeasureCell(result.tran ? &result.tran->THD : nullptr, tranAwaited);
    return cells;
}

}  // namespace

TextRows SpiceTable(const core::AmplifierAnalysis& analysis, double beta, const std::string& part,
                    const sim::AmpResult& result) {
    const SpiceCells spice = CellsOf(result);
    const bool ok = analysis.ok();
    const core::SmallSignal& s = analysis.figures;
    const auto hand = [ok](double value) { return ok ? core::ShownNumber(value) : std::string(); };
    TextRows rows;
    rows.push_back({"", "Hand", "SPICE (" + part + ")"});
    rows.push_back({"Ic, A", hand(s.IC), spice.Ic});
    rows.push_back({"Vce, V", hand(s.VCE), spice.Vce});
    rows.push_back({"Ic/Ib", hand(beta), spice.hFE});
    const std::pair<std::string_view, const std::string*> measured[] = {
        {"rπ", &spice.rpi},  {"ro", &spice.ro}, {"|Av|", &spice.Av}, {"|Avs|", &spice.Avs},
        {"Zin", &spice.Zin}, {"fL", &spice.fL}, {"fH", &spice.fH},   {"HD2", &spice.THD}};
    for (const core::AmplifierRow& row : core::AmplifierRows(s)) {
        if (row.name == "rπ") rows.push_back({"hfe", hand(s.hfe), spice.hfe});
        std::string value;
        if (ok) value = row.value ? core::ShownNumber(*row.value) : std::string(kNoValue);
        std::string simulated;
        for (const auto& [name, cell] : measured) {
            if (row.name == name) simulated = *cell;
        }
        // SPICE's distortion is the whole THD, beside the hand's second
        // harmonic.
        const std::string_view name = row.name == "HD2" ? "HD2 / THD" : row.name;
        rows.push_back({Name(name, row.unit), value, simulated});
    }
    return rows;
}

QString SpiceDescription(const std::string& part, const sim::AmpResult& result) {
    if (!result.ac) return Q(sim::Description(part, sim::Status::Because(result.acReason)));
    const auto shown = [](const sim::Measure& measure, const char* unit) {
        return measure.value ? Shown(*measure.value) + QString::fromUtf8(unit)
                             : QStringLiteral("none");
    };
    QString thd;
    if (result.tran) {
        thd = shown(result.tran->THD, " %");
    } else {
        thd = result.tranReason == sim::kSimulating ? QStringLiteral("simulating")
                                                    : QStringLiteral("none");
    }
    const sim::AmpAc& ac = *result.ac;
    return QStringLiteral(" SPICE with %1: |Avs| = %2, fL = %3, fH = %4, THD = %5.")
        .arg(Q(part), shown(ac.Avs, ""), shown(ac.fL, " Hz"), shown(ac.fH, " Hz"), thd);
}

QString SpiceSentence(const std::string& part, const sim::AmpResult& result) {
    if (!result.ac) return Q(sim::Sentence(part, sim::Status::Because(result.acReason), 0));
    QStringList missing;
    const auto add = [&](const char* name, const std::string& reason) {
        missing.append(QString::fromUtf8(name) + QStringLiteral(": ") + Q(reason));
    };
    const sim::AmpAc& ac = *result.ac;
    const std::pair<const char*, const sim::Measure*> measures[] = {
        {"|Av|", &ac.Av}, {"|Avs|", &ac.Avs}, {"Zin", &ac.Zin}, {"fL", &ac.fL}, {"fH", &ac.fH}};
    for (const auto& [name, measure] : measures) {
        if (!measure->value) add(name, sim::MissingReason(measure->why));
    }
    if (!result.tran) {
        add("THD", result.tranReason);
    } else if (!result.tran->THD.value) {
        add("THD", sim::MissingReason(result.tran->THD.why));
    }
    if (missing.isEmpty()) return {};
    return Q(part) + QStringLiteral(" in SPICE: ") + missing.join(QStringLiteral("; ")) +
           QLatin1Char('.');
}

QString WaveCaption(const std::string& part, const sim::AmpResult& result) {
    QString what;
    if (!result.tran) {
        what = Q(result.tranReason);
    } else if (result.tran->THD.value) {
        what = QStringLiteral("THD = %1 %").arg(Shown(*result.tran->THD.value));
    } else {
        what = QStringLiteral("THD: ") + Q(sim::MissingReason(result.tran->THD.why));
    }
    return QStringLiteral("SPICE's output with %1 over one period: %2.").arg(Q(part), what);
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
