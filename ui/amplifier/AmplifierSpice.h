#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "core/Amplifier.h"
#include "core/Calculation.h"
#include "sim/AmpReport.h"
#include "sim/Amplifier.h"
#include "storage/PartCatalogue.h"

namespace ui {

class AmpSpiceClient;

// The amplifier window's real transistor: the chosen part, the stage and
// the amplifier's inputs, and what the simulator made of them. It asks for a
// run at every change and keeps only what comes of the newest request; the
// same request again is not asked twice while it is awaited or its quick
// part stands.
class AmplifierSpice : public QObject {
    Q_OBJECT

public:
    explicit AmplifierSpice(QObject* parent = nullptr);

    // Where the helper is and how long it may take to answer (for tests).
    void UseHelper(const QString& path, int answerMilliseconds);

    // The chosen part; none for none.
    void SetPart(const std::optional<storage::CatalogueEntry>& part);
    // What there is to simulate: a Calculate's stage with the amplifier's
    // inputs, or nothing, and why (the end of "<part> in SPICE: <reason>.").
    void SetStage(const core::Calculation& calculation, const core::AmplifierInputs& inputs);
    void SetNothing(const std::string& reason);
    // Ends the helper, as the window closes, and starts none until Resume,
    // which asks for the newest inputs.
    void Stop();
    void Resume();

    bool Chosen() const { return part_.has_value(); }
    // The chosen part's name, empty for none, and whether it is a PNP one.
    std::string part() const { return part_ ? part_->name : std::string(); }
    bool Pnp() const { return part_ && part_->type == sim::Polarity::Pnp; }
    // What is known of the newest request, or why there is none.
    const sim::AmpResult& Result() const { return result_; }

signals:
    void Changed();

private:
    void MakeClient(const QString& path, int answerMilliseconds);
    void Run();
    void Show(const sim::AmpResult& result);
    void Answered(const sim::AmpRequest& request, const sim::AmpResult& result);

    AmpSpiceClient* client_ = nullptr;
    std::optional<storage::CatalogueEntry> part_;
    std::optional<core::Calculation> calculation_;
    core::AmplifierInputs inputs_;
    // Why there is nothing to simulate; empty while there is.
    std::string nothing_;
    // The request whose result is shown or awaited.
    std::optional<sim::AmpRequest> asked_;
    sim::AmpResult result_;
    bool stopped_ = false;
};

}  // namespace ui
