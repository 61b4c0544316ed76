#include "ui/amplifier/AmplifierWindow.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <limits>

#include "core/EngineeringFormat.h"
#include "ui/amplifier/AmplifierText.h"
#include "ui/amplifier/ResponsePicture.h"
#include "ui/input/InputBox.h"
#include "ui/session/StageSession.h"
#include "ui/table/TextTable.h"

namespace ui {
namespace {

using core::AmplifierBox;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What each box holds, for its tooltip.
QString Tip(AmplifierBox box) {
    switch (box) {
        case AmplifierBox::kRs:
            return QStringLiteral("Source resistance, ohms, 0 or more: 600, 1k");
        case AmplifierBox::kRL:
            return QStringLiteral("Load, ohms, above 0: 10k; empty for no load (and no Cout)");
        case AmplifierBox::kRe1:
            return QStringLiteral(
                "Unbypassed part of Re, ohms, from 0 to Re; Re1 = Re leaves Ce out");
        case AmplifierBox::kCin:
            return QStringLiteral("Input coupling capacitor, farads: 10u, 4.7µF");
        case AmplifierBox::kCe:
            return QStringLiteral("Emitter bypass capacitor, farads: 100u");
        case AmplifierBox::kCout:
            return QStringLiteral("Output coupling capacitor, farads: 10u");
        case AmplifierBox::kHfe:
            return QStringLiteral("Small-signal current gain; empty follows Beta");
        case AmplifierBox::kVA:
            return QStringLiteral("Early voltage, volts, above 0; empty for none (ro infinite)");
        case AmplifierBox::kFT:
            return QStringLiteral("Transition frequency, hertz: 300MHz");
        case AmplifierBox::kCmu:
            return QStringLiteral("Collector-base capacitance, farads, 0 or more: 4p");
        case AmplifierBox::kAmplitude:
            return QStringLiteral("Peak EMF of the test signal, volts: 10m");
        case AmplifierBox::kFrequency:
            return QStringLiteral("Frequency of the test signal, hertz: 1k");
    }
    return {};
}

QString Label(AmplifierBox box) {
    const core::AmplifierBoxRule& rule = core::RuleOf(box);
    if (rule.unitSymbol.empty()) return Q(rule.name);
    return Q(rule.name) + QStringLiteral(", ") + Q(rule.unitSymbol);
}

}  // namespace

AmplifierWindow::AmplifierWindow(QWidget* owner, StageSession* session)
    : QWidget(owner, Qt::Window), session_(session) {
    setObjectName(QStringLiteral("AmplifierWindow"));
    setWindowTitle(QStringLiteral("Tindrel: Amplifier"));

    auto* inputs = new QVBoxLayout;
    inputs->addWidget(MakeGroup(tr("Signal and load"),
                                {AmplifierBox::kRs, AmplifierBox::kRL, AmplifierBox::kRe1,
                                 AmplifierBox::kCin, AmplifierBox::kCe, AmplifierBox::kCout,
                                 AmplifierBox::kAmplitude, AmplifierBox::kFrequency}));
    inputs->addWidget(MakeGroup(tr("Transistor"), {AmplifierBox::kHfe, AmplifierBox::kVA,
                                                   AmplifierBox::kFT, AmplifierBox::kCmu}));
    inputs->addWidget(MakeLowCorner());
    inputs->addStretch(1);

    table_ = new TextTable(this);
    table_->setObjectName(QStringLiteral("AmplifierTable"));
    table_->setAccessibleName(QStringLiteral("Amplifier table"));

    outcome_ = new QLabel(this);
    outcome_->setObjectName(QStringLiteral("AmplifierSentence"));
    outcome_->setTextFormat(Qt::PlainText);
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    response_ = new ResponsePicture(this);

    auto* results = new QVBoxLayout;
    results->addWidget(response_, 1);
    results->addWidget(outcome_);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(table_, 0, Qt::AlignTop);
    layout->addLayout(results, 1);

    auto* loadLine = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(loadLine, &QShortcut::activated, session_, &StageSession::AskForLoadLine);
    auto* design = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(design, &QShortcut::activated, session_, &StageSession::AskForDesign);

    ShowTexts();
    connect(session_, &StageSession::AmplifierChanged, this, &AmplifierWindow::ShowTexts);
    connect(session_, &StageSession::CalculationChanged, this, &AmplifierWindow::Recompute);
    session_->SetAmplifierOpened();
}

QWidget* AmplifierWindow::MakeGroup(const QString& title,
                                    std::initializer_list<core::AmplifierBox> boxes) {
    auto* group = new QGroupBox(title, this);
    auto* form = new QFormLayout(group);
    for (AmplifierBox which : boxes) {
        auto* box = new InputBox(group);
        box->setAccessibleName(Q(core::RuleOf(which).name));
        // Free text of any length: a cut-off paste would read as another number.
        box->setMaxLength(std::numeric_limits<int>::max());
        box->SetOrdinaryTip(Tip(which));
        connect(box, &QLineEdit::textChanged, this, &AmplifierWindow::KeepTexts);
        boxes_[core::IndexOf(which)] = box;
        form->addRow(Label(which), box);
    }
    return group;
}

QWidget* AmplifierWindow::MakeLowCorner() {
    auto* group = new QWidget(this);
    auto* form = new QFormLayout(group);
    form->setContentsMargins(0, 0, 0, 0);
    lowCorner_ = new InputBox(group);
    lowCorner_->setAccessibleName(QStringLiteral("Low corner"));
    lowCorner_->setMaxLength(std::numeric_limits<int>::max());
    lowCorner_->SetOrdinaryTip(
        QStringLiteral("The low corner fL that Pick Capacitors aims at, hertz, above 0: 20"));
    connect(lowCorner_, &QLineEdit::textChanged, this, &AmplifierWindow::KeepTexts);
    form->addRow(QStringLiteral("Low corner, Hz"), lowCorner_);
    pick_ = new QPushButton(tr("Pick Capacitors"), group);
    pick_->setToolTip(QStringLiteral(
        "Writes into Cin, Ce and Cout the E6 values that put fL at or below the low corner"));
    connect(pick_, &QPushButton::clicked, this, &AmplifierWindow::PickCapacitors);
    form->addRow(QString(), pick_);
    return group;
}

void AmplifierWindow::KeepTexts() {
    if (showingTexts_) return;
    AmplifierSettings settings = session_->Amplifier();
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i] != nullptr) settings.texts[i] = boxes_[i]->text().toStdString();
    if (lowCorner_ != nullptr) settings.lowCorner = lowCorner_->text().toStdString();
    // The session tells this window back, which then shows the analysis.
    session_->SetAmplifier(settings);
}

void AmplifierWindow::ShowTexts() {
    const AmplifierSettings settings = session_->Amplifier();
    showingTexts_ = true;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const QString text = QString::fromStdString(settings.texts[i]);
        if (boxes_[i]->text() != text) boxes_[i]->setText(text);
    }
    const QString corner = QString::fromStdString(settings.lowCorner);
    if (lowCorner_->text() != corner) lowCorner_->setText(corner);
    showingTexts_ = false;
    Recompute();
}

double AmplifierWindow::StageRe() const {
    const auto& calculation = session_->LastCalculation();
    return calculation ? calculation->stage.Re : 0;
}

void AmplifierWindow::Recompute() {
    const core::AmplifierReading reading = core::ReadAmplifierInputs(session_->Amplifier().texts);
    analysis_ = session_->AnalyseAmplifier();
    ShowBoxFaults(reading, StageRe());

    // hfe follows Beta while its box is empty.
    const auto& calculation = session_->LastCalculation();
    InputBox* hfe = boxes_[core::IndexOf(AmplifierBox::kHfe)];
    hfe->setPlaceholderText(
        calculation ? QStringLiteral("Beta, %1").arg(Q(core::ShownNumber(calculation->stage.Beta)))
                    : QStringLiteral("Beta"));

    table_->SetRows(HandTable(analysis_));
    QString sentence = NoAnalysisSentence(analysis_, StageRe());
    if (analysis_.ok() && analysis_.figures.Clips) {
        const core::SmallSignal& s = analysis_.figures;
        sentence = QStringLiteral(
                       "The test signal clips: its output of %1 V peak is beyond the "
                       "swing of %2 V peak.")
                       .arg(Q(core::ShownNumber(analysis_.inputs.Amplitude * s.Avs)),
                            Q(core::ShownNumber(s.Swing)));
    }
    outcome_->setText(sentence);
    outcome_->setVisible(!sentence.isEmpty());
    response_->SetHand(analysis_);
    response_->setAccessibleDescription(analysis_.ok() ? HandDescription(analysis_.figures)
                                                       : NoAnalysisSentence(analysis_, StageRe()));
}

void AmplifierWindow::ShowBoxFaults(const core::AmplifierReading& reading, double Re) {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        core::BoxReading box = reading.boxes[i];
        // Re1 above Re is found only against the stage.
        if (core::BoxAt(i) == AmplifierBox::kRe1 && box.value && session_->LastCalculation() &&
            *box.value > Re)
            box.fault = core::BoxFault::kAboveRe;
        const QString sentence = BoxFaultSentence(core::BoxAt(i), box, Re);
        boxes_[i]->ShowFault(sentence.isEmpty() ? sentence : sentence + QLatin1Char('.'));
    }
    const core::BoxReading corner = core::ReadLowCorner(lowCorner_->text().toStdString());
    QString sentence;
    if (corner.fault != core::BoxFault::kNone) {
        // The low corner is no box of the analysis; it is named as labelled.
        sentence = BoxFaultSentence(AmplifierBox::kFrequency, corner, Re);
        sentence.replace(0, QStringLiteral("Frequency").size(), QStringLiteral("Low corner"));
        sentence += QLatin1Char('.');
    }
    lowCorner_->ShowFault(sentence);
    pick_->setEnabled(corner.fault == core::BoxFault::kNone && analysis_.ok());
}

void AmplifierWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AmplifierWindow::PickCapacitors() {
    const core::BoxReading corner = core::ReadLowCorner(lowCorner_->text().toStdString());
    const auto& calculation = session_->LastCalculation();
    if (!corner.value || !calculation || !analysis_.ok()) return;
    const std::optional<core::AmplifierDc> dc = core::AmplifierDcOf(*calculation);
    if (!dc) return;
    const core::AmplifierAnalysis picked =
        core::PickCapacitors(*dc, analysis_.inputs, *corner.value);
    if (!picked.ok()) return;
    AmplifierSettings settings = session_->Amplifier();
    const auto write = [&](AmplifierBox box, double value) {
        settings.texts[core::IndexOf(box)] = BoxText(value).toStdString();
    };
    write(AmplifierBox::kCin, picked.inputs.Cin);
    if (picked.figures.RePole) write(AmplifierBox::kCe, picked.inputs.Ce);
    if (picked.figures.RoutPole) write(AmplifierBox::kCout, picked.inputs.Cout);
    session_->SetAmplifier(settings);
}

}  // namespace ui
