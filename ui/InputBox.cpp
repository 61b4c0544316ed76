#include "ui/InputBox.h"

#include <QFocusEvent>

namespace ui {

void InputBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    reportAfterPress_ = event->reason() == Qt::MouseFocusReason;
    emit GotFocus();
}

void InputBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (reportAfterPress_) {
        reportAfterPress_ = false;
        emit GotFocus();
    }
}

}  // namespace ui
