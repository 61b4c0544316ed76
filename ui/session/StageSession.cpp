#include "ui/session/StageSession.h"

#include "core/BiasPoint.h"
#include "core/InputReading.h"
#include "ui/parts/PartStore.h"
#include "ui/session/SessionMemory.h"

namespace ui {
namespace {

// A number of a box, read as Calculate reads it; 0, which no design starts
// from, where it holds one too large to calculate with.
double ShownNumber(const std::string& text) {
    const core::InputResult result = core::ReadBox(text, core::LenientRule(core::InputUnit::None));
    return result.ok() ? result.value() : 0;
}

}  // namespace

StageSession::StageSession(QObject* parent) : QObject(parent), parts_(new PartStore(this)) {}

core::StageRun StageSession::Run(const core::StageTexts& texts) const {
    return core::RunStage(texts);
}

void StageSession::Keep(const core::Calculation& calculation) {
    // Ends that follow Beta move, and at the first Calculate they become the
    // stage's own, where a Beta of 100 stood for them.
    const core::SpreadSettings followed = core::FollowBeta(spread_, calculation.stage.Beta);
    const bool moved = followed != spread_ || (!last_ && followed.hfeFollowsBeta);
    last_ = calculation;
    // The windows follow the calculation with the settings it moves, and
    // then hear of the settings' change, which then changes nothing more.
    spread_ = followed;
    emit CalculationChanged(calculation);
    if (moved) emit SpreadSettingsChanged(spread_);
}

core::StageRun StageSession::Calculate(const core::StageTexts& texts) {
    core::StageRun run = Run(texts);
    if (run.Ran() && !core::BuildResultLines(run.calculation.outcome).empty())
        Keep(run.calculation);
    return run;
}

void StageSession::SetShownTexts(const core::StageTexts& texts) { shown_ = texts; }

core::Stage StageSession::ShownStage() const {
    core::Stage stage;
    stage.Vcc = ShownNumber(shown_.Vcc);
    stage.Beta = ShownNumber(shown_.Beta);
    stage.R1 = ShownNumber(shown_.R1);
    stage.R2 = ShownNumber(shown_.R2);
    stage.Rc = ShownNumber(shown_.Rc);
    stage.Re = ShownNumber(shown_.Re);
    stage.material = shown_.material;
    return stage;
}

void StageSession::SetSpreadSettings(const core::SpreadSettings& settings,
                                     const std::string& refusal) {
    if (settings == spread_ && refusal == spreadRefusal_) return;
    spread_ = settings;
    spreadRefusal_ = refusal;
    emit SpreadSettingsChanged(spread_);
}

void StageSession::SetPart(const std::string& part) {
    if (part == part_) return;
    part_ = part;
    emit PartChanged(part_);
}

void StageSession::SetDesignTarget(const core::DesignTarget& target) {
    if (design_ == target) return;
    design_ = target;
    emit DesignTargetChanged(target);
}

void StageSession::Remember() {
    if (memory_ == nullptr) memory_ = new SessionMemory(this);
}

void StageSession::KeepPlace(QWidget* window) {
    Remember();
    memory_->KeepPlace(window);
}

std::optional<QString> StageSession::RememberedText(const QString& group, const QString& key) {
    Remember();
    return memory_->Text(group, key);
}

void StageSession::KeepText(const QString& group, const QString& key, const QString& text) {
    Remember();
    memory_->SetText(group, key, text);
}

void StageSession::SetAmplifier(const AmplifierSettings& settings) {
    if (settings == amplifier_) return;
    amplifier_ = settings;
    emit AmplifierChanged();
}

void StageSession::SetAmplifierOpened() {
    if (amplifierOpened_) return;
    amplifierOpened_ = true;
    emit AmplifierChanged();
}

core::AmplifierAnalysis StageSession::AnalyseAmplifier() const {
    core::AmplifierAnalysis analysis;  // kNoCalculation
    if (!last_) return analysis;
    return core::Analyse(*last_, core::ReadAmplifierInputs(amplifier_.texts));
}

}  // namespace ui
