#pragma once

#include <QGroupBox>
#include <array>

#include "core/Spread.h"

namespace ui {

class InputBox;
class StageSession;

// The spread's six boxes: hFE from and to, the resistor and Vcc tolerances
// and the temperature range, each read by its rule. Each edit goes to the
// stage session's spread settings, or, where a box is refused, tells the
// session why there is no spread; the refused box shows the warning sign and
// its sentence. A change of the settings from elsewhere (hFE ends that follow
// a new Beta) shows in the boxes.
class SpreadForm : public QGroupBox {
    Q_OBJECT

public:
    SpreadForm(StageSession* session, QWidget* parent);

private:
    void Edited(std::size_t box);
    // The six texts read together into `settings`, whose hfeFollowsBeta
    // says whether empty hFE boxes stand for the ends of Beta.
    core::SpreadReading Read(core::SpreadSettings& settings) const;
    // Each box's result, the faults found across boxes included.
    void ShowReading();
    // The first refused box, as the end of "No spread: ...".
    static QString Refusal(const core::SpreadReading& reading);
    // Writes every box, or each box whose number differs from its setting:
    // a box being typed in reads as its setting already, and keeps its text.
    void Show(const core::SpreadSettings& settings, bool all);

    StageSession* session_;
    // hFE from, hFE to, resistor and Vcc tolerance, temperature from and to.
    std::array<InputBox*, core::kSpreadBoxCount> boxes_{};
};

}  // namespace ui
