#pragma once

#include <QGroupBox>
#include <array>

#include "core/Spread.h"

namespace ui {

class InputBox;
class StageSession;

// The spread's six boxes: hFE from and to, the resistor and Vcc tolerances
// and the temperature range. Each edit goes to the stage session's spread
// settings; a change there from elsewhere (hFE ends that follow a new Beta)
// shows in the boxes.
class SpreadForm : public QGroupBox {
    Q_OBJECT

public:
    SpreadForm(StageSession* session, QWidget* parent);

private:
    void Edited(std::size_t box);
    // The settings that the boxes give, from the session's as they stand.
    core::SpreadSettings Read(const core::SpreadSettings& current) const;
    // Writes every box, or each box whose number differs from its setting:
    // a box being typed in reads as its setting already, and keeps its text.
    void Show(const core::SpreadSettings& settings, bool all);

    StageSession* session_;
    // hFE from, hFE to, resistor and Vcc tolerance, temperature from and to.
    std::array<InputBox*, 6> boxes_{};
};

}  // namespace ui
