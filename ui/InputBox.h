#pragma once

#include <QLineEdit>

namespace ui {

// An input box that reports each time it gains the focus, after its own
// focus handling, so that what a handler does with the selection stays.
class InputBox : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The focus came with a mouse press that the box has yet to handle: that
    // press would move the cursor and clear the selection, so the report is
    // made again once the press is handled.
    bool reportAfterPress_ = false;
};

}  // namespace ui
