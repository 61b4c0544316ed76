#pragma once

#include <QLineEdit>

namespace ui {

// An input box that reports each time the focus moves to it, after its own
// focus handling, so that what a handler does with the selection stays.
// The focus coming back to the box (its context menu closed, or the window
// became active again while the box kept the focus) is no move and goes
// unreported: the caret and selection stay as the user left them.
class InputBox : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The focus came with a mouse press that the box has yet to handle: that
    // press would move the cursor and clear the selection, so the report is
    // made again once the press is handled.
    bool reportAfterPress_ = false;
    // The box lost the focus only for a while, to a popup or to another
    // window, and keeps its caret and selection until the focus returns.
    bool focusParked_ = false;
};

}  // namespace ui
