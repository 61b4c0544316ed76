#include "ui/amplifier/AmplifierSpice.h"

#include "sim/Checks.h"
#include "sim/Report.h"
#include "ui/spice/AmpSpiceClient.h"

namespace ui {

AmplifierSpice::AmplifierSpice(QObject* parent) : QObject(parent) {
    MakeClient(SpiceClient::DefaultHelperPath(), SpiceClient::kAnswerMilliseconds);
}

void AmplifierSpice::MakeClient(const QString& path, int answerMilliseconds) {
    if (client_ != nullptr) {
        // Nothing the old helper still says is heard.
        client_->disconnect(this);
        client_->Stop();
        client_->deleteLater();
    }
    client_ = new AmpSpiceClient(path, this, answerMilliseconds);
    connect(client_, &AmpSpiceClient::Simulated, this, &AmplifierSpice::Answered);
}

void AmplifierSpice::UseHelper(const QString& path, int answerMilliseconds) {
    MakeClient(path, answerMilliseconds);
    asked_.reset();
    Run();
}

void AmplifierSpice::SetPart(const std::optional<storage::CatalogueEntry>& part) {
    const auto same = [](const storage::CatalogueEntry& a, const storage::CatalogueEntry& b) {
        return a.name == b.name && a.type == b.type && a.model == b.model;
    };
    if (part.has_value() == part_.has_value() && (!part || same(*part, *part_))) return;
    part_ = part;
    Run();
}

void AmplifierSpice::SetStage(const core::Calculation& calculation,
                              const core::AmplifierInputs& inputs) {
    calculation_ = calculation;
    inputs_ = inputs;
    nothing_.clear();
    Run();
}

void AmplifierSpice::SetNothing(const std::string& reason) {
    nothing_ = reason;
    Run();
}

void AmplifierSpice::Stop() {
    client_->Stop();
    asked_.reset();
    stopped_ = true;
}

void AmplifierSpice::Resume() {
    if (!stopped_) return;
    stopped_ = false;
    Run();
}

void AmplifierSpice::Run() {
    if (!Chosen()) {
        // No part: whatever is under way is of no use.
        if (asked_) client_->Stop();
        Show(sim::AmpResult::Because(std::string()));
        return;
    }
    if (!nothing_.empty() || !calculation_) {
        Show(sim::AmpResult::Because(nothing_.empty() ? "press Calculate in the main window"
                                                      : nothing_));
        return;
    }
    // Refused before all else: a germanium stage asks the same numbers of
    // the helper as its silicon twin.
    if (const std::optional<std::string> reason = sim::CheckStage(calculation_->stage)) {
        Show(sim::AmpResult::Because(sim::Refused(*reason)));
        return;
    }
    // A part of the user's own travels with its model.
    sim::AmpRequest request = sim::MakeAmpRequest(calculation_->stage, inputs_, part_->name);
    request.stage = storage::WithPart(request.stage, *part_);
    if (const std::optional<std::string> reason = sim::CheckAmp(request)) {
        Show(sim::AmpResult::Because(sim::Refused(*reason)));
        return;
    }
    // The same request again: its figures stay shown, or are awaited, and
    // nothing blinks. One whose quick part or distortion run the helper did
    // not give (stopped, timed out) is asked again, as its sentence says.
    if (request == asked_ && (!result_.Done() || (result_.ac && result_.tran))) return;
    Show(sim::AmpResult::Because(std::string(sim::kSimulating)));
    // A closed window starts no helper: Resume asks as it is shown again.
    if (stopped_) return;
    // Set before asking: a helper that cannot start answers at once.
    asked_ = request;
    client_->Simulate(request);
}

void AmplifierSpice::Show(const sim::AmpResult& result) {
    asked_.reset();
    result_ = result;
    emit Changed();
}

void AmplifierSpice::Answered(const sim::AmpRequest& request, const sim::AmpResult& result) {
    // An answer to an earlier request, overtaken by a later change.
    if (!asked_ || request != *asked_) return;
    result_ = result;
    emit Changed();
}

}  // namespace ui
