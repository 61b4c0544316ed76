#pragma once

#include <QLineEdit>
#include <QString>
#include <optional>

#include "core/InputReading.h"

class QAction;

namespace ui {

// An input box that reports each time the focus moves to it, after its own
// focus handling, so that what a handler does with the selection stays.
// The focus coming back to the box (its context menu closed, or the window
// became active again while the box kept the focus) is no move and goes
// unreported: the caret and selection stay as the user left them.
//
// Given a unit, the box also tells when its text is not read whole as a
// number: a warning sign at its right end, and the sentence of
// core::ReadAsSentence in front of its tooltip and accessible description.
// Where the text meant a value ("22k"), pressing the sign or the menu entry
// "Write <fixed>" writes it as one edit that Ctrl+Z undoes.
class InputBox : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // Switches the sign on for numbers of `unit`, and follows every change of
    // the text from then on. The tooltip and accessible description the box
    // has now become its ordinary ones, unless SetOrdinaryTip gave them.
    void SetUnit(core::InputUnit unit);
    // Shows the sign with `sentence`, a reason found for the box's value
    // beyond its reading (a value out of its range), in front of the tooltip
    // and accessible description; an empty sentence takes it away.
    void ShowFault(const QString& sentence);
    // The tooltip and accessible description the box shows when its text is
    // read whole; the sentence goes in front of them otherwise.
    void SetOrdinaryTip(const QString& toolTip, const QString& description = QString());
    // How the text reads now; read whole before SetUnit.
    const core::InputReading& Reading() const { return reading_; }
    // The sign at the box's right end: visible while the text is not read
    // whole; triggering it writes the value meant, where there is one. Null
    // until a text is first not read whole.
    QAction* Sign() const { return sign_; }
    // Replaces the text by the value meant, as one undoable edit; nothing
    // happens where there is none.
    void WriteMeantValue();

signals:
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowText();
    void ShowReading();
    void MakeSign();

    // The focus came with a mouse press that the box has yet to handle: that
    // press would move the cursor and clear the selection, so the report is
    // made again once the press is handled.
    bool reportAfterPress_ = false;
    // The box lost the focus only for a while, to a popup or to another
    // window, and keeps its caret and selection until the focus returns.
    bool focusParked_ = false;

    std::optional<core::InputUnit> unit_;
    core::InputReading reading_;
    QString fault_;
    QAction* sign_ = nullptr;
    std::optional<QString> ordinaryToolTip_;
    std::optional<QString> ordinaryDescription_;
};

}  // namespace ui
