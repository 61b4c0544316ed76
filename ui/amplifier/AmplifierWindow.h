#pragma once

#include <QWidget>
#include <array>

#include "core/Amplifier.h"

class QLabel;
class QPushButton;

namespace ui {

class InputBox;
class ResponsePicture;
class StageSession;
class TextTable;

// The stage as an amplifier: the signal's, the load's and the transistor's
// inputs, the hand analysis of the last Calculate as a table, and its
// response. It follows the stage session, which keeps its inputs.
class AmplifierWindow : public QWidget {
    Q_OBJECT

public:
    // A window of `owner`'s: it stays above it and goes with it.
    AmplifierWindow(QWidget* owner, StageSession* session);

    const core::AmplifierAnalysis& Analysis() const { return analysis_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* MakeGroup(const QString& title, std::initializer_list<core::AmplifierBox> boxes);
    QWidget* MakeLowCorner();
    // The boxes' texts into the session; the session's into the boxes.
    void KeepTexts();
    void ShowTexts();
    void Recompute();
    void ShowBoxFaults(const core::AmplifierReading& reading, double Re);
    void PickCapacitors();
    double StageRe() const;

    StageSession* session_;
    std::array<InputBox*, core::kAmplifierBoxCount> boxes_{};
    InputBox* lowCorner_ = nullptr;
    QPushButton* pick_ = nullptr;
    QLabel* outcome_ = nullptr;
    TextTable* table_ = nullptr;
    ResponsePicture* response_ = nullptr;
    core::AmplifierAnalysis analysis_;
    // While the session's texts are written into the boxes, which then hold
    // nothing new to keep.
    bool showingTexts_ = false;
};

}  // namespace ui
