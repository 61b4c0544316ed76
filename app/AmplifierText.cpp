#include "app/AmplifierText.h"

#include "core/EngineeringFormat.h"
#include "platform/Utf8.h"

namespace app {
namespace {

std::string BoxName(core::AmplifierBox box, BoxNaming naming) {
    const core::AmplifierBoxRule& rule = core::RuleOf(box);
    return naming == BoxNaming::kOption ? "--" + std::string(rule.option) : std::string(rule.key);
}

}  // namespace

std::string BoxFaultReason(core::BoxFault fault, const std::string& rest, bool zeroTaken) {
    switch (fault) {
        case core::BoxFault::kEmpty:
            return "is empty";
        case core::BoxFault::kNotNumber:
            return "cannot be read from \"" + platform::Abbreviate(rest, 12) + "\" on";
        case core::BoxFault::kTooLarge:
            return "is too large to calculate with";
        case core::BoxFault::kBelowRange:
            return zeroTaken ? "must not be negative" : "must be above 0";
        case core::BoxFault::kAboveRe:
            return "is above Re";
        case core::BoxFault::kNone:
            break;
    }
    return "is not taken";
}

namespace {

// The width of the name column, in characters.
constexpr std::size_t kNameWidth = 11;

std::size_t Characters(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += platform::IsContinuationByte(c) ? 0 : 1;
    return count;
}

void Row(std::string& out, std::string_view name, const std::optional<double>& value,
         std::string_view unit) {
    out += name;
    out.append(kNameWidth - std::min(kNameWidth - 1, Characters(name)), ' ');
    if (!value) {
        out += "\u2013\n";
        return;
    }
    out += core::ShownNumber(*value);
    if (!unit.empty()) {
        out += ' ';
        out += unit;
    }
    out += '\n';
}

}  // namespace

std::string NoAnalysisReason(const core::AmplifierAnalysis& analysis, BoxNaming naming) {
    switch (analysis.stop) {
        case core::AmplifierStop::kNoCalculation:
            return "the calculation did not run to its end";
        case core::AmplifierStop::kCutOff:
            return "the transistor is cut off";
        case core::AmplifierStop::kSaturated:
            return "the transistor is saturated";
        case core::AmplifierStop::kBadBox:
            return BoxName(analysis.box, naming) + ' ' +
                   BoxFaultReason(analysis.boxFault, analysis.rest,
                                  core::RuleOf(analysis.box).lowestIncluded);
        case core::AmplifierStop::kNotFinite:
            return "the values are too extreme to calculate with";
        case core::AmplifierStop::kNone:
            break;
    }
    return {};
}

std::string BoxText(core::AmplifierBox box, const std::string& typed) {
    const bool mayBeNone = core::RuleOf(box).empty == core::EmptyBox::kNone;
    if (mayBeNone && (typed == "none" || typed == "None" || typed == "NONE")) return {};
    return typed;
}

void TableRow(std::string& out, std::string_view name, const std::optional<double>& value,
              std::string_view unit) {
    Row(out, name, value, unit);
}

std::string AmplifierTable(const core::AmplifierAnalysis& analysis, bool picked) {
    std::string out;
    for (const core::AmplifierRow& row : core::AmplifierRows(analysis.figures))
        Row(out, row.name, row.value, row.unit);
    if (picked) {
        const core::SmallSignal& s = analysis.figures;
        Row(out, "Cin", analysis.inputs.Cin, "F");
        Row(out, "Ce", s.RePole ? std::optional(analysis.inputs.Ce) : std::nullopt, "F");
        Row(out, "Cout", s.RoutPole ? std::optional(analysis.inputs.Cout) : std::nullopt, "F");
    }
    return out;
}

}  // namespace app
