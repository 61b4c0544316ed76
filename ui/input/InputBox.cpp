#include "ui/input/InputBox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>

namespace ui {
namespace {

// Reasons for which Qt takes the focus away and gives it back to the same
// widget, rather than moving it.
bool IsTemporary(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

// The sentence in front of the ordinary text, on a line of its own.
QString InFront(const QString& sentence, const QString& ordinary) {
    if (sentence.isEmpty()) return ordinary;
    if (ordinary.isEmpty()) return sentence;
    return sentence + QLatin1Char('\n') + ordinary;
}

// The sentence quotes what the user typed, and a tooltip that holds
// something like a tag ("1<b>") is shown as rich text: the typed text is
// shown as typed instead, and loads nothing. A rich ordinary tip stays rich.
QString TipWith(const QString& sentence, const QString& ordinary) {
    if (sentence.isEmpty()) return ordinary;
    if (Qt::mightBeRichText(ordinary)) return Qt::convertFromPlainText(sentence) + ordinary;
    const QString tip = InFront(sentence, ordinary);
    return Qt::mightBeRichText(tip) ? Qt::convertFromPlainText(tip, Qt::WhiteSpacePre) : tip;
}

}  // namespace

void InputBox::SetUnit(core::InputUnit unit) {
    if (!ordinaryToolTip_) ordinaryToolTip_ = toolTip();
    if (!ordinaryDescription_) ordinaryDescription_ = accessibleDescription();
    if (!unit_) connect(this, &QLineEdit::textChanged, this, &InputBox::FollowText);
    unit_ = unit;
    FollowText();
}

void InputBox::MakeSign() {
    // Made when first needed: the style draws its warning icon on request,
    // which a start with every box read whole need not wait for.
    sign_ = addAction(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this),
                      QLineEdit::TrailingPosition);
    connect(sign_, &QAction::triggered, this, &InputBox::WriteMeantValue);
    for (QToolButton* button : findChildren<QToolButton*>()) {
        if (button->defaultAction() == sign_) button->installEventFilter(this);
    }
}

void InputBox::SetOrdinaryTip(const QString& toolTip, const QString& description) {
    ordinaryToolTip_ = toolTip;
    ordinaryDescription_ = description;
    ShowReading();
}

void InputBox::WriteMeantValue() {
    if (!reading_.hasFix) return;
    // Unlike setText, which clears the undo history, this is an edit that
    // Ctrl+Z takes back whole.
    selectAll();
    insert(QString::fromStdString(reading_.fixed));
}

void InputBox::FollowText() {
    if (!unit_) return;
    reading_ = core::ReadInput(text().toStdString(), *unit_);
    ShowReading();
}

void InputBox::ShowFault(const QString& sentence) {
    if (sentence == fault_) return;
    fault_ = sentence;
    ShowReading();
}

void InputBox::ShowReading() {
    QString sentence = QString::fromStdString(core::ReadAsSentence(reading_));
    if (sentence.isEmpty()) sentence = fault_;
    const bool warn = !sentence.isEmpty();
    setToolTip(TipWith(sentence, ordinaryToolTip_.value_or(QString())));
    setAccessibleDescription(InFront(sentence, ordinaryDescription_.value_or(QString())));
    if (sign_ == nullptr && warn) MakeSign();
    if (sign_ == nullptr) return;
    sign_->setVisible(warn);
    sign_->setToolTip(TipWith(sentence, QString()));
    // The sign's name for assistive technology; not the sentence, whose quote
    // of the typed text could carry an "&" that a button takes as a shortcut.
    if (reading_.hasFix) {
        sign_->setText(QString::fromStdString(core::FixEntryText(reading_)));
    } else {
        sign_->setText(reading_.readWhole ? QStringLiteral("Not taken")
                                          : QStringLiteral("Not read whole"));
    }
}

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

void InputBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    if (reading_.hasFix) {
        // First, where the user looks for what this box in particular offers.
        QAction* first = menu->actions().value(0);
        auto* write = new QAction(QString::fromStdString(core::FixEntryText(reading_)), menu);
        connect(write, &QAction::triggered, this, &InputBox::WriteMeantValue);
        menu->insertAction(first, write);
        menu->insertSeparator(first);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool InputBox::eventFilter(QObject* watched, QEvent* event) {
    // A press on the sign that brought the focus is the sign's own: no press
    // of the box follows, and the next one only places the caret.
    if (watched != this && event->type() == QEvent::MouseButtonPress) reportAfterPress_ = false;
    return QLineEdit::eventFilter(watched, event);
}

void InputBox::keyPressEvent(QKeyEvent* event) {
    // Shift+F10, the other key for the menu on every desktop, is left to
    // widgets. The Menu key comes here only where the platform has not turned
    // it into a context menu event already (X11 and Wayland do so before the
    // key, which then goes to the open menu): the offscreen platform, and keys
    // that tools send to the box itself.
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (shiftF10 || event->key() == Qt::Key_Menu) {
        const QPoint at = cursorRect().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at, mapToGlobal(at));
        contextMenuEvent(&menuEvent);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void InputBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (reportAfterPress_) {
        reportAfterPress_ = false;
        emit GotFocus();
    }
}

}  // namespace ui
