#pragma once

#include <QWidget>
#include <array>

#include "core/Calculation.h"
#include "core/Design.h"
#include "core/Spread.h"
#include "ui/input/InputBox.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ui {

class StageSession;

// Designs a stage from a wanted Ic and Vce: the ideal resistors, the same
// rounded to a series, where the rounded stage really sits and its spread
// over real parts. The result follows every edit. It starts from what the
// main window's boxes hold, takes its spread line's settings from the stage
// session and writes its values back through the session.
class DesignWindow : public QWidget {
    Q_OBJECT

public:
    // A window of `owner`'s that stays above it and goes with it. Vcc, Beta
    // and the material start from what `session` says the main window's
    // boxes hold, where they are usable.
    DesignWindow(QWidget* owner, StageSession* session);

    const core::Design& CurrentDesign() const { return design_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The other windows: the load line and the amplifier.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    enum Box { Vcc, Ic, Vce, VeShare, Beta, Stiffness, kBoxCount };

    void Build();
    void Show(const core::DesignTarget& target);
    // The first refused box, as the end of "No design: ..."; empty when every
    // box is taken.
    QString Refusal() const;
    // The target that the boxes, all taken, give.
    core::DesignTarget Target() const;
    void Recompute();
    void ShowDesign();

    std::array<InputBox*, kBoxCount> boxes_{};
    QComboBox* series_ = nullptr;
    QRadioButton* si_ = nullptr;
    QRadioButton* ge_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* outcome_ = nullptr;
    QLabel* spread_ = nullptr;
    QPushButton* use_ = nullptr;

    StageSession* session_;
    core::Design design_;
    // No design until the first target is shown in full.
    bool built_ = false;
};

}  // namespace ui
