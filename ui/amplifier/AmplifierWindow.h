#pragma once

#include <QWidget>
#include <array>

#include "core/Amplifier.h"

class QLabel;
class QPushButton;

namespace ui {

class AmplifierSpice;
class InputBox;
class PartChoice;
class ResponsePicture;
class StageSession;
class TextTable;
class WaveformPicture;

// The stage as an amplifier: the signal's, the load's and the transistor's
// inputs, the hand analysis of the last Calculate as a table, and its
// response; with a real transistor chosen, SPICE's figures beside the
// hand's and its output's waveform. It follows the stage session, which
// keeps its inputs and the real transistor.
class AmplifierWindow : public QWidget {
    Q_OBJECT

public:
    // A window of `owner`'s: it stays above it and goes with it.
    AmplifierWindow(QWidget* owner, StageSession* session);

    const core::AmplifierAnalysis& Analysis() const { return analysis_; }

    // The simulator helper to use instead of the program's own, and how long
    // it may take to answer (for tests).
    void UseSpiceHelper(const QString& path, int answerMilliseconds);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* MakeGroup(const QString& title, std::initializer_list<core::AmplifierBox> boxes);
    QWidget* MakeLowCorner();
    QWidget* MakeSpiceGroup();
    // The boxes' texts into the session; the session's into the boxes.
    void KeepTexts();
    void ShowTexts();
    void Recompute();
    void ShowBoxFaults(const core::AmplifierReading& reading, double Re);
    void PickCapacitors();
    // Asks SPICE for the stage and the boxes as they read now.
    void SimulateStage(const core::AmplifierReading& reading);
    // The table, the pictures' descriptions and the waveform, with SPICE's
    // figures as they stand.
    void ShowResults();
    // SPICE's sweep on the response picture, while there is one.
    void ShowSpiceSweep();
    void UsePartsValues();
    double StageRe() const;

    StageSession* session_;
    std::array<InputBox*, core::kAmplifierBoxCount> boxes_{};
    InputBox* lowCorner_ = nullptr;
    QPushButton* pick_ = nullptr;
    QLabel* outcome_ = nullptr;
    TextTable* table_ = nullptr;
    ResponsePicture* response_ = nullptr;
    // The real transistor: the choice, its simulation and what shows it.
    PartChoice* part_ = nullptr;
    QPushButton* usePart_ = nullptr;
    AmplifierSpice* spice_ = nullptr;
    QLabel* spiceSentence_ = nullptr;
    WaveformPicture* waveform_ = nullptr;
    QLabel* waveCaption_ = nullptr;
    core::AmplifierAnalysis analysis_;
    // While the session's texts are written into the boxes, which then hold
    // nothing new to keep.
    bool showingTexts_ = false;
};

}  // namespace ui
