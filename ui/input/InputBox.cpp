#include "ui/input/InputBox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <cmath>

#include "core/EngineeringFormat.h"
#include "platform/TextNumber.h"

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

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A bound as the sentence shows it, with the minus sign of print.
QString Bound(double value) {
    QString text = Q(platform::PlainText(value));
    if (text.startsWith(QLatin1Char('-'))) text.replace(0, 1, QChar(0x2212));
    return text;
}

QString UnitSuffix(core::InputUnit unit) {
    switch (unit) {
        case core::InputUnit::Volt:
            return QStringLiteral(" V");
        case core::InputUnit::Ohm:
            return QStringLiteral(" \u03A9");
        case core::InputUnit::Milliampere:
            return QStringLiteral(" mA");
        case core::InputUnit::Percent:
            return QStringLiteral(" %");
        case core::InputUnit::Celsius:
            return QStringLiteral(" \u00B0C");
        case core::InputUnit::Farad:
            return QStringLiteral(" F");
        case core::InputUnit::Hertz:
            return QStringLiteral(" Hz");
        case core::InputUnit::Watt:
            return QStringLiteral(" W");
        case core::InputUnit::None:
            break;
    }
    return {};
}

// The sign's name for assistive technology.
QString SignName(const core::InputResult& result) {
    if (result.reading.hasFix) return FixEntryText(result.reading);
    switch (result.fault) {
        case core::InputFault::Empty:
            return QStringLiteral("Empty");
        case core::InputFault::TooLarge:
            return QStringLiteral("Too large");
        case core::InputFault::BelowRange:
        case core::InputFault::AboveRange:
            return QStringLiteral("Out of range");
        case core::InputFault::Misordered:
            return QStringLiteral("From above to");
        case core::InputFault::NotReadWhole:
        case core::InputFault::None:
            break;
    }
    return QStringLiteral("Not read whole");
}

}  // namespace

QString ReadAsSentence(const core::InputReading& reading) {
    if (reading.readWhole) return {};
    QString sentence = QStringLiteral("Read as ") +
                       Q(core::ShownNumber(core::ShownReadValue(reading))) +
                       QStringLiteral(": the text from \"") + Q(reading.rest) +
                       QStringLiteral("\" on is not read.");
    if (reading.hasFix) {
        sentence += QStringLiteral(" Press the sign, or choose \"") + FixEntryText(reading) +
                    QStringLiteral("\" in the box's menu, to write ") + Q(reading.fixed) +
                    QLatin1Char('.');
    }
    return sentence;
}

QString RangeText(const core::InputRule& rule) {
    const bool low = std::isfinite(rule.min);
    const bool high = std::isfinite(rule.max);
    QString text;
    if (low)
        text = (rule.minIncluded ? QStringLiteral("from ") : QStringLiteral("above ")) +
               Bound(rule.min);
    if (low && high)
        text += rule.maxIncluded ? QStringLiteral(" to ") : QStringLiteral(" to below ");
    if (!low && high)
        text = rule.maxIncluded ? QStringLiteral("at most ") : QStringLiteral("below ");
    if (high) text += Bound(rule.max);
    if (low && !high && rule.minIncluded) text.replace(0, 4, QStringLiteral("at least"));
    return text + UnitSuffix(rule.unit);
}

QString FixEntryText(const core::InputReading& reading) {
    return QStringLiteral("Write ") + Q(reading.fixed);
}

QString FaultSentence(const core::InputResult& result, const core::InputRule& rule) {
    switch (result.fault) {
        case core::InputFault::None:
        case core::InputFault::NotReadWhole:
            break;
        case core::InputFault::Empty:
            return QStringLiteral("Empty: type a number.");
        case core::InputFault::TooLarge:
            return QStringLiteral("Too large to calculate with.");
        case core::InputFault::BelowRange:
        case core::InputFault::AboveRange:
            return QStringLiteral("Out of range: the value must be ") + RangeText(rule) +
                   QLatin1Char('.');
        case core::InputFault::Misordered:
            return QStringLiteral(
                "\"From\" is above \"to\": nothing is calculated until it is "
                "not.");
    }
    return {};
}

QString RefusalClause(const QString& name, const core::InputResult& result,
                      const core::InputRule& rule) {
    switch (result.fault) {
        case core::InputFault::None:
            return {};
        case core::InputFault::Empty:
            return name + QStringLiteral(" is empty");
        case core::InputFault::TooLarge:
            return name + QStringLiteral(" is too large to calculate with");
        case core::InputFault::NotReadWhole:
            return name + QStringLiteral(" is not read whole");
        case core::InputFault::BelowRange:
        case core::InputFault::AboveRange:
            return name + QStringLiteral(" is not ") + RangeText(rule);
        case core::InputFault::Misordered:
            break;
    }
    return name + QStringLiteral(" is above its \"to\"");
}

void InputBox::SetUnit(core::InputUnit unit) { SetRule(core::LenientRule(unit)); }

void InputBox::SetRule(const core::InputRule& rule) {
    if (!ordinaryToolTip_) ordinaryToolTip_ = toolTip();
    if (!ordinaryDescription_) ordinaryDescription_ = accessibleDescription();
    if (!rule_) connect(this, &QLineEdit::textChanged, this, &InputBox::FollowText);
    rule_ = rule;
    FollowText();
}

void InputBox::ShowResult(const core::InputResult& result) {
    result_ = result;
    ShowReading();
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
    if (!result_.reading.hasFix) return;
    // Unlike setText, which clears the undo history, this is an edit that
    // Ctrl+Z takes back whole.
    selectAll();
    insert(QString::fromStdString(result_.reading.fixed));
}

void InputBox::FollowText() {
    if (!rule_) return;
    result_ = core::ReadBox(text().toStdString(), *rule_);
    ShowReading();
}

void InputBox::ShowFault(const QString& sentence) {
    if (sentence == fault_) return;
    fault_ = sentence;
    ShowReading();
}

void InputBox::ShowReading() {
    // A lenient box warns of text not read whole alone: a number too large is
    // refused when it is calculated with.
    const bool strict = rule_ && !rule_->lenient;
    const bool refused = strict && !result_.ok();
    QString sentence = ReadAsSentence(result_.reading);
    if (refused && sentence.isEmpty()) sentence = FaultSentence(result_, *rule_);
    if (sentence.isEmpty()) sentence = fault_;
    const bool warn = !result_.reading.readWhole || refused || !fault_.isEmpty();
    setToolTip(TipWith(sentence, ordinaryToolTip_.value_or(QString())));
    setAccessibleDescription(InFront(sentence, ordinaryDescription_.value_or(QString())));
    if (sign_ == nullptr && warn) MakeSign();
    if (sign_ == nullptr) return;
    sign_->setVisible(warn);
    sign_->setToolTip(TipWith(sentence, QString()));
    // The sign's name for assistive technology; not the sentence, whose quote
    // of the typed text could carry an "&" that a button takes as a shortcut.
    sign_->setText(result_.ok() && result_.reading.readWhole && !fault_.isEmpty()
                       ? QStringLiteral("Not taken")
                       : SignName(result_));
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
    if (result_.reading.hasFix) {
        // First, where the user looks for what this box in particular offers.
        QAction* first = menu->actions().value(0);
        auto* write = new QAction(FixEntryText(result_.reading), menu);
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
