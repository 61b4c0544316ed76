#include "ui/InputBox.h"

#include <QFocusEvent>

namespace ui {
namespace {

// Reasons for which Qt takes the focus away and gives it back to the same
// widget, rather than moving it.
bool IsTemporary(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

}  // namespace

void InputBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A box that the program gave the focus while the window was inactive
    // (at start-up) receives it on activation, with the same reason as a
    // return; it was not parked, so that still counts as a move.
    const bool returning = focusParked_ && IsTemporary(event->reason());
    focusParked_ = false;
    if (returning) return;
    reportAfterPress_ = event->reason() == Qt::MouseFocusReason;
    emit GotFocus();
}

void InputBox::focusOutEvent(QFocusEvent* event) {
    focusParked_ = IsTemporary(event->reason());
    QLineEdit::focusOutEvent(event);
}

void InputBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (reportAfterPress_) {
        reportAfterPress_ = false;
        emit GotFocus();
    }
}

}  // namespace ui
