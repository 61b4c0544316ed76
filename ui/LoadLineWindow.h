#pragma once

#include <QWidget>
#include <optional>

#include "core/Calculation.h"
#include "core/LoadLine.h"
#include "sim/Protocol.h"

class QComboBox;
class QLabel;

namespace ui {

// The load line, the Q point on it and the saturation strip, drawn with
// QPainter in the palette's colours (a dark theme gives a dark picture).
// Its accessible description reads the line and the point in words.
class LoadLinePicture : public QWidget {
    Q_OBJECT

public:
    explicit LoadLinePicture(QWidget* parent = nullptr);

    void SetLine(const core::LoadLine& line);
    // The simulated point of a real transistor, if any, and what the
    // description says of it (" SPICE with ...", or empty).
    void SetSpice(const std::optional<sim::Point>& point, const QString& part,
                  const std::string& description);

    QSize sizeHint() const override { return {480, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    core::LoadLine line_;
    std::optional<sim::Point> spicePoint_;
    QString spicePart_;
    std::string spiceDescription_;
};

class LoadLineSpice;

// A window of its own for the picture, with a sentence under it that names
// the region. The main window makes it on first use and feeds it every
// Calculate that shows line 1. Its context menu copies the picture or saves
// it as PNG.
class LoadLineWindow : public QWidget {
    Q_OBJECT

public:
    // A window of `owner`'s: it stays above it and goes with it.
    explicit LoadLineWindow(QWidget* owner);

    // Follows a Calculate of the main window.
    void SetCalculation(const core::Calculation& calculation);
    void SetLine(const core::LoadLine& line);

    // The picture as shown, at the screen's pixel density.
    QImage Picture() const;
    // Writes the picture as PNG; false and the reason when that fails, in
    // which case a file already at `path` is left as it was.
    bool SavePicture(const QString& path, QString& error) const;

    // The simulator helper to use instead of the program's own, and how long
    // it may take to answer (for tests).
    void UseSpiceHelper(const QString& path, int answerMilliseconds);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowMenu(const QPoint& globalPos);
    void CopyPicture();
    void AskAndSavePicture();
    void ShowSpice();

    LoadLinePicture* picture_;
    QLabel* sentence_;
    // The real transistor: the choice, its sentence and its simulation.
    QComboBox* part_;
    QLabel* spiceSentence_;
    LoadLineSpice* spice_;
    // Where the last picture was saved, to start the next file dialog there.
    QString lastSaved_;
};

}  // namespace ui
