#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Calculation.h"
#include "core/LoadLine.h"
#include "core/Spread.h"
#include "sim/Protocol.h"

class QGridLayout;
class QLabel;
class QVBoxLayout;

namespace ui {

class LoadLinePicture;
class TextTable;
class StageSession;

class LoadLineSpice;
class PartChoice;

// A window of its own for the picture, with sentences under it that name
// the region and the spread over real parts, and beside it the spread's
// settings and table. It follows the stage session: every Calculate that
// shows line 1, the spread settings and the real transistor. Its context
// menu copies the picture or saves it as PNG.
class LoadLineWindow : public QWidget {
    Q_OBJECT

public:
    // A window of `owner`'s: it stays above it and goes with it.
    LoadLineWindow(QWidget* owner, StageSession* session);

    // The spread settings last taken from the boxes.
    const core::SpreadSettings& SpreadSettings() const;
    const core::Spread& CurrentSpread() const { return spread_; }

    // The picture as shown, at the screen's pixel density.
    QImage Picture() const;
    // Writes the picture as PNG; false and the reason when that fails, in
    // which case a file already at `path` is left as it was.
    bool SavePicture(const QString& path, QString& error) const;

    // The simulator helper to use instead of the program's own, and how long
    // it may take to answer (for tests).
    void UseSpiceHelper(const QString& path, int answerMilliseconds);

signals:
    // The user edited a spread box, or the hFE ends followed a new Beta.
    void SpreadSettingsChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* MakeSpiceGroup();
    void ShowSpice();
    void ShowRatings();
    QLabel* AddSentence(const QString& objectName);
    void FollowCalculation(const core::Calculation& calculation);
    void FollowSpreadSettings();
    void UpdateSpread();
    void ShowAll();
    void ShowMenu(const QPoint& globalPos);
    void CopyPicture();
    void AskAndSavePicture();

    LoadLinePicture* picture_;
    QGridLayout* grid_;
    // The column of input groups beside the picture, and the sentences under it.
    QVBoxLayout* groups_;
    QVBoxLayout* sentences_;
    QLabel* sentence_;
    QLabel* spreadSentence_;
    TextTable* table_;
    StageSession* session_;
    core::LoadLine line_;
    core::Spread spread_;
    // The settings the spread was last computed with.
    core::SpreadSettings spreadSettings_;
    std::string spreadRefusal_;
    // The real transistor: the choice, its sentence and its simulation.
    PartChoice* part_ = nullptr;
    QLabel* spiceSentence_ = nullptr;
    LoadLineSpice* spice_ = nullptr;
    // Where the last picture was saved, to start the next file dialog there.
    QString lastSaved_;
};

}  // namespace ui
