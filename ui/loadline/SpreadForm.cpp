#include "ui/loadline/SpreadForm.h"

#include <QFormLayout>

#include "platform/TextNumber.h"
#include "ui/input/InputBox.h"
#include "ui/session/StageSession.h"

namespace ui {
namespace {

// A setting as a box shows it.
QString BoxText(double value) { return QString::fromStdString(platform::PlainText(value)); }

std::array<double, core::kSpreadBoxCount> Values(const core::SpreadSettings& s) {
    return {s.hfeFrom,      s.hfeTo,           s.resistorTolerance,
            s.vccTolerance, s.temperatureFrom, s.temperatureTo};
}

// The boxes as a sentence names them: "the resistor tolerance is empty".
constexpr std::array<const char*, core::kSpreadBoxCount> kClauseNames = {
    "hFE from",          "hFE to",           "the resistor tolerance",
    "the Vcc tolerance", "temperature from", "temperature to",
};

}  // namespace

SpreadForm::SpreadForm(StageSession* session, QWidget* parent)
    : QGroupBox(tr("Spread"), parent), session_(session) {
    setObjectName(QStringLiteral("SpreadGroup"));
    auto* form = new QFormLayout(this);
    const std::array<QString, core::kSpreadBoxCount> names = {
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
        form->addRow(names[i], box);
        boxes_[i] = box;
    }
    boxes_[0]->setPlaceholderText(QStringLiteral("Beta / 2"));
    boxes_[1]->setPlaceholderText(QStringLiteral("2 \u00d7 Beta"));
    Show(session_->SpreadSettings(), true);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i]->SetRule(core::SpreadRule(i));
        // After the box's own reading of the text: the six are read together,
        // which a "from" above its "to" and the ends that follow Beta need.
        connect(boxes_[i], &QLineEdit::textChanged, this, [this] { ShowReading(); });
        connect(boxes_[i], &QLineEdit::textEdited, this, [this, i] { Edited(i); });
    }
    ShowReading();
    connect(session_, &StageSession::SpreadSettingsChanged, this,
            [this](const core::SpreadSettings& settings) { Show(settings, false); });
}

core::SpreadReading SpreadForm::Read(core::SpreadSettings& settings) const {
    core::SpreadTexts texts;
    for (std::size_t i = 0; i < boxes_.size(); ++i) texts[i] = boxes_[i]->text().toStdString();
    return core::ReadSpreadBoxes(texts, settings.hfeFollowsBeta, settings);
}

void SpreadForm::ShowReading() {
    core::SpreadSettings settings = session_->SpreadSettings();
    const core::SpreadReading reading = Read(settings);
    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->ShowResult(reading.boxes[i]);
}

void SpreadForm::Edited(std::size_t box) {
    core::SpreadSettings settings = session_->SpreadSettings();
    // Ends of the user's own stay as typed whatever Beta becomes.
    if (box < 2) settings.hfeFollowsBeta = false;
    const core::SpreadSettings taken = session_->SpreadSettings();
    const core::SpreadReading reading = Read(settings);
    if (reading.ok()) {
        session_->SetSpreadSettings(settings);
    } else {
        // Nothing is computed from a refused box: the settings stay the last
        // taken, but no longer follow Beta into the box being typed in.
        core::SpreadSettings kept = taken;
        kept.hfeFollowsBeta = settings.hfeFollowsBeta;
        session_->SetSpreadSettings(kept, Refusal(reading).toStdString());
    }
    // Read again now that the hFE ends may have stopped following Beta.
    ShowReading();
}

QString SpreadForm::Refusal(const core::SpreadReading& reading) {
    for (std::size_t i = 0; i < reading.boxes.size(); ++i) {
        const core::InputResult& result = reading.boxes[i];
        if (result.ok()) continue;
        const QString name = QString::fromLatin1(kClauseNames[i]);
        if (result.fault == core::InputFault::Misordered) {
            return name + QStringLiteral(" is above ") + QString::fromLatin1(kClauseNames[i + 1]);
        }
        return RefusalClause(name, result, core::SpreadRule(i));
    }
    return {};
}

void SpreadForm::Show(const core::SpreadSettings& settings, bool all) {
    const std::array<double, core::kSpreadBoxCount> values = Values(settings);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        InputBox* box = boxes_[i];
        if (i < 2 && settings.hfeFollowsBeta) {
            // Until the first Calculate there is no Beta for the ends to follow.
            const QString text = session_->LastCalculation() ? BoxText(values[i]) : QString();
            if (box->text() != text) box->setText(text);
        } else if (all || (box->Result().ok() && box->Result().value() != values[i])) {
            // A box being typed in reads as its setting already, or is
            // refused and stays as typed until the user mends it.
            box->setText(BoxText(values[i]));
        }
    }
}

}  // namespace ui
