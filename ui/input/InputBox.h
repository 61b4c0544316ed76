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
// ReadAsSentence in front of its tooltip and accessible description.
// Where the text meant a value ("22k"), pressing the sign or the menu entry
// "Write <fixed>" writes it as one edit that Ctrl+Z undoes. Given a rule that
// is not lenient, the sign and a sentence show as well for a value the rule
// refuses (empty, too large, out of range).
class InputBox : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // Switches the sign on for numbers of `unit`, and follows every change of
    // the text from then on. The tooltip and accessible description the box
    // has now become its ordinary ones, unless SetOrdinaryTip gave them.
    void SetUnit(core::InputUnit unit);
    // The same for a box read by `rule`.
    void SetRule(const core::InputRule& rule);
    // Shows a result that the window found for this box with others (a
    // "from" above its "to"), until the text next changes.
    void ShowResult(const core::InputResult& result);
    // Shows the sign with `sentence`, a reason that the window's own reading
    // found against the box's value, in front of the tooltip and accessible
    // description; an empty sentence takes it away.
    void ShowFault(const QString& sentence);
    // The tooltip and accessible description the box shows when its text is
    // read whole; the sentence goes in front of them otherwise.
    void SetOrdinaryTip(const QString& toolTip, const QString& description = QString());
    // How the text reads now; read whole before SetUnit.
    const core::InputReading& Reading() const { return result_.reading; }
    // The text read by the box's rule: its value or why it is refused.
    const core::InputResult& Result() const { return result_; }
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

    std::optional<core::InputRule> rule_;
    core::InputResult result_;
    QString fault_;
    QAction* sign_ = nullptr;
    std::optional<QString> ordinaryToolTip_;
    std::optional<QString> ordinaryDescription_;
};

// The window's sentence for a reading not read whole, empty for one read whole:
// `Read as <value>: the text from "<rest>" on is not read.`, followed where
// there is a fix by
// ` Press the sign, or choose "Write <fixed>" in the box's menu, to write <fixed>.`
QString ReadAsSentence(const core::InputReading& reading);

// The menu entry that writes the fix: `Write <fixed>`.
QString FixEntryText(const core::InputReading& reading);

// The values `rule` takes, with its unit: "from −55 to 150 °C",
// "from 0 to below 100 %", "above 0".
QString RangeText(const core::InputRule& rule);

// Why `rule` refuses a box's result, in a sentence; empty when it takes it.
// A text not read whole is told by ReadAsSentence.
QString FaultSentence(const core::InputResult& result, const core::InputRule& rule);

// A refused box in a clause for a sentence of the window's ("No spread:
// <clause>."): "the resistor tolerance is not from 0 to below 100 %",
// "Ic is not read whole"; empty when the box is taken.
QString RefusalClause(const QString& name, const core::InputResult& result,
                      const core::InputRule& rule);

}  // namespace ui
