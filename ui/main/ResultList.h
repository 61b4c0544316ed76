#pragma once

#include <QListWidget>

namespace ui {

// The list of result lines. Besides Qt's Ctrl+C (the current line), its
// context menu copies the selected line or every line, and asks for the load
// line window, the design window or the amplifier window. The menu opens
// with the right mouse button, the Menu key and Shift+F10.
class ResultList : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

    // Every line in order, each followed by a line feed.
    QString AllLines() const;
    // The selected line, or the empty text when none is selected.
    QString SelectedLine() const;

signals:
    // "Show Load Line" was chosen from the menu.
    void LoadLineWanted();
    // "Design from a Target..." was chosen from the menu.
    void DesignWanted();
    // "Amplifier (AC)..." was chosen from the menu.
    void AmplifierWanted();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMenu(const QPoint& globalPos);
    // Where a menu opened from the keyboard appears: under the current line,
    // or at the list's top-left corner when there is none.
    QPoint KeyboardMenuPos() const;
};

}  // namespace ui
