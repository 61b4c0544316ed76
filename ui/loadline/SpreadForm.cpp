#include "ui/loadline/SpreadForm.h"

#include <QFormLayout>
#include <cmath>
#include <limits>

#include "platform/TextNumber.h"
#include "ui/input/InputBox.h"
#include "ui/session/StageSession.h"

namespace ui {
namespace {

// A box's number by the lenient conversion; a number too large for a double
// reads as an infinity, which the spread names as out of range.
double ReadBox(const InputBox* box) {
    const platform::LenientNumber number = platform::ParseLenient(box->text().toStdString());
    return number.overflow ? std::numeric_limits<double>::infinity() : number.value;
}

// A setting as a box shows it; an infinity as a number too large.
QString BoxText(double value) {
    if (std::isfinite(value)) return QString::fromStdString(platform::PlainText(value));
    return QString::fromLatin1(value > 0 ? "1e999" : "-1e999");
}

std::array<double, 6> Values(const core::SpreadSettings& s) {
    return {s.hfeFrom,      s.hfeTo,           s.resistorTolerance,
            s.vccTolerance, s.temperatureFrom, s.temperatureTo};
}

}  // namespace

SpreadForm::SpreadForm(StageSession* session, QWidget* parent)
    : QGroupBox(tr("Spread"), parent), session_(session) {
    setObjectName(QStringLiteral("SpreadGroup"));
    auto* form = new QFormLayout(this);
    const std::array<QString, 6> names = {
        QStringLiteral("hFE from"),
        QStringLiteral("hFE to"),
        QStringLiteral("Resistor tolerance, %"),
        QStringLiteral("Vcc tolerance, %"),
        QStringLiteral("Temperature from, \u00b0C"),
        QStringLiteral("Temperature to, \u00b0C"),
    };
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        auto* box = new InputBox(this);
        box->setAccessibleName(names[i]);
        box->setObjectName(QStringLiteral("SpreadBox%1").arg(i));
        box->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
        connect(box, &InputBox::GotFocus, box, &QLineEdit::selectAll);
        connect(box, &QLineEdit::textEdited, this, [this, i] { Edited(i); });
        form->addRow(names[i], box);
        boxes_[i] = box;
    }
    boxes_[0]->setPlaceholderText(QStringLiteral("Beta / 2"));
    boxes_[1]->setPlaceholderText(QStringLiteral("2 \u00d7 Beta"));
    Show(session_->SpreadSettings(), true);
    connect(session_, &StageSession::SpreadSettingsChanged, this,
            [this](const core::SpreadSettings& settings) { Show(settings, false); });
}

void SpreadForm::Edited(std::size_t box) {
    core::SpreadSettings settings = session_->SpreadSettings();
    // Ends of the user's own stay as typed whatever Beta becomes.
    if (box < 2) settings.hfeFollowsBeta = false;
    session_->SetSpreadSettings(Read(settings));
}

core::SpreadSettings SpreadForm::Read(const core::SpreadSettings& current) const {
    core::SpreadSettings settings = current;
    // Ends that follow Beta are the session's, empty boxes before the first
    // Calculate included.
    if (!settings.hfeFollowsBeta) {
        settings.hfeFrom = ReadBox(boxes_[0]);
        settings.hfeTo = ReadBox(boxes_[1]);
    }
    settings.resistorTolerance = ReadBox(boxes_[2]);
    settings.vccTolerance = ReadBox(boxes_[3]);
    settings.temperatureFrom = ReadBox(boxes_[4]);
    settings.temperatureTo = ReadBox(boxes_[5]);
    return settings;
}

void SpreadForm::Show(const core::SpreadSettings& settings, bool all) {
    const std::array<double, 6> values = Values(settings);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (i < 2 && settings.hfeFollowsBeta) {
            // Until the first Calculate there is no Beta for the ends to follow.
            const QString text = session_->LastCalculation() ? BoxText(values[i]) : QString();
            if (boxes_[i]->text() != text) boxes_[i]->setText(text);
        } else if (all || ReadBox(boxes_[i]) != values[i]) {
            boxes_[i]->setText(BoxText(values[i]));
        }
    }
}

}  // namespace ui
