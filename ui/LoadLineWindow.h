#pragma once

#include <QWidget>

#include "core/Calculation.h"
#include "core/LoadLine.h"

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

    QSize sizeHint() const override { return {480, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    core::LoadLine line_;
};

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

signals:
    // "Design from a Target..." was chosen from the menu.
    void DesignWanted();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMenu(const QPoint& globalPos);
    void CopyPicture();
    void AskAndSavePicture();

    LoadLinePicture* picture_;
    QLabel* sentence_;
    // Where the last picture was saved, to start the next file dialog there.
    QString lastSaved_;
};

}  // namespace ui
