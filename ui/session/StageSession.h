#pragma once

#include <QObject>
#include <optional>
#include <string>

#include "core/Amplifier.h"
#include "core/Calculation.h"
#include "core/Design.h"
#include "core/Spread.h"
#include "core/StageCalc.h"

class QWidget;

namespace ui {

class PartStore;
class SessionMemory;
// The amplifier window's inputs: the texts of its twelve boxes, in the order
// of core::AmplifierBox, and of its "Low corner" box.
struct AmplifierSettings {
    core::AmplifierTexts texts = core::DefaultAmplifierTexts();
    std::string lowCorner = std::string(core::kLowCornerDefault);

    bool operator==(const AmplifierSettings&) const = default;
};

// The one stage of the program, behind every window: what the main window's
// boxes hold, the last Calculate that showed line 1, and the settings of the
// side windows. The main window hands it the texts and renders what comes
// back; the side windows read it and follow its signals, so that none of
// them needs to know another.
//
// Each settings group is a plain value (a struct of core/ or a string) with
// a getter, a setter that signals only a change, and a change signal; a
// window that adds settings adds a group of the same three.
class StageSession : public QObject {
    Q_OBJECT

public:
    explicit StageSession(QObject* parent = nullptr);

    // A Calculate of these texts and material; nothing changes yet. The main
    // window shows its messages and lines from it in their order, and keeps
    // the calculation once line 1 is shown.
    core::StageRun Run(const core::StageTexts& texts) const;
    // Keeps a calculation that showed line 1 and tells every window. A
    // Beta that the spread's hFE ends follow moves them first.
    void Keep(const core::Calculation& calculation);
    // Run and Keep as one, for a window without messages of its own to show.
    core::StageRun Calculate(const core::StageTexts& texts);
    const std::optional<core::Calculation>& LastCalculation() const { return last_; }

    // What the main window's boxes hold now, typed or restored, calculated or
    // not; material None while neither option is set.
    void SetShownTexts(const core::StageTexts& texts);
    // The shown Vcc, Beta and material as numbers, by the lenient reading; 0
    // where a box holds none that a double can carry.
    core::Stage ShownStage() const;

    // The spread over real parts, which the load line window edits and the
    // design window's spread line uses.
    const core::SpreadSettings& SpreadSettings() const { return spread_; }
    // With `refusal`, why the spread form's boxes give no settings (a box
    // refused by its rule), as the end of "No spread: ...": no window
    // computes a spread meanwhile, and `settings` are the last taken. One
    // signal for a change of either.
    void SetSpreadSettings(const core::SpreadSettings& settings, const std::string& refusal = {});
    const std::string& SpreadRefusal() const { return spreadRefusal_; }

    // The real transistor that SPICE simulates, by name; empty for none.
    const std::string& Part() const { return part_; }
    void SetPart(const std::string& part);
    // The parts there are to choose from, built in and the user's own.
    PartStore* Parts() const { return parts_; }

    // The design window's target as last edited; none before its first.
    const std::optional<core::DesignTarget>& DesignTarget() const { return design_; }
    void SetDesignTarget(const core::DesignTarget& target);

    // Takes back, once, the side windows' settings that an earlier run kept;
    // from then on they are kept as they change and the program ends. Each
    // side window asks for it as it is first made: a plain start reads
    // nothing.
    void Remember();
    // Places a side window where it was last left and keeps its place.
    void KeepPlace(QWidget* window);
    // For a window whose settings are the texts of its boxes: the text kept
    // under `group` and `key`, and keeping one.
    std::optional<QString> RememberedText(const QString& group, const QString& key);
    void KeepText(const QString& group, const QString& key, const QString& text);
    // The amplifier's inputs, which the amplifier window edits and the load
    // line window's AC load line uses once the amplifier window has opened.
    const AmplifierSettings& Amplifier() const { return amplifier_; }
    void SetAmplifier(const AmplifierSettings& settings);
    bool AmplifierOpened() const { return amplifierOpened_; }
    void SetAmplifierOpened();
    // The amplifier's analysis of the last Calculate with these inputs.
    core::AmplifierAnalysis AnalyseAmplifier() const;

    // Ways for one window to ask for another, or to write inputs back,
    // without knowing the window that does it.
    void UseInputs(const core::StageTexts& texts) { emit InputsWanted(texts); }
    void AskForLoadLine() { emit LoadLineWanted(); }
    void AskForDesign() { emit DesignWanted(); }
    void AskForAmplifier() { emit AmplifierWanted(); }

signals:
    void CalculationChanged(const core::Calculation& calculation);
    void SpreadSettingsChanged(const core::SpreadSettings& settings);
    void PartChanged(const std::string& part);
    void DesignTargetChanged(const core::DesignTarget& target);
    // The amplifier's inputs changed, or the amplifier window first opened.
    void AmplifierChanged();
    void InputsWanted(const core::StageTexts& texts);
    void LoadLineWanted();
    void DesignWanted();
    void AmplifierWanted();

private:
    static core::StageTexts NoTexts() {
        core::StageTexts texts;
        texts.material = core::Material::None;
        return texts;
    }

    std::optional<core::Calculation> last_;
    core::StageTexts shown_ = NoTexts();
    core::SpreadSettings spread_;
    std::string spreadRefusal_;
    std::string part_;
    PartStore* parts_;
    std::optional<core::DesignTarget> design_;
    SessionMemory* memory_ = nullptr;
    AmplifierSettings amplifier_;
    bool amplifierOpened_ = false;
};

}  // namespace ui
