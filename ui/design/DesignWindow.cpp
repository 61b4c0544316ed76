#include "ui/design/DesignWindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "platform/TextNumber.h"
#include "ui/design/DesignText.h"
#include "ui/session/StageSession.h"

namespace ui {
namespace {

// The boxes in the order of DesignWindow::Box. The name is also the label;
// the clause names the box in "No design: ..."; the rule says what the box
// takes: its unit, which may follow the number, and its range.
struct BoxInfo {
    const char* name;
    const char* clause;
    const char* tip;
    core::InputRule rule;
};

// A box read whole, never empty, with a value from `min` on (or above it).
constexpr core::InputRule Strict(core::InputUnit unit, double min, bool minIncluded,
                                 double max = std::numeric_limits<double>::infinity(),
                                 bool maxIncluded = true) {
    return {.unit = unit,
            .min = min,
            .max = max,
            .minIncluded = minIncluded,
            .maxIncluded = maxIncluded,
            .emptyAllowed = false,
            .lenient = false};
}

const std::array<BoxInfo, 6> kBoxInfo = {{
    {"Vcc, Volts", "Vcc", "Supply voltage Vcc, in volts: a plain number such as 12",
     Strict(core::InputUnit::Volt, 0, false)},
    {"Ic, mA", "Ic", "Wanted collector current, in milliamperes: a plain number such as 2",
     Strict(core::InputUnit::Milliampere, 0, false)},
    {"Vce, Volts", "Vce", "Wanted collector-emitter voltage, in volts: a plain number such as 5.4",
     Strict(core::InputUnit::Volt, 0, false)},
    {"Ve, % of Vcc", "Ve", "Emitter voltage as a share of Vcc, in per cent, above 0 and below 100",
     Strict(core::InputUnit::Percent, 0, false, 100, false)},
    {"Beta", "Beta", "Current gain Beta, without unit: a plain number such as 100",
     Strict(core::InputUnit::None, 0, false)},
    {"Divider stiffness", "the divider stiffness",
     "The divider's Thevenin resistance as a multiple of Beta \u00d7 Re: 0.1 is a firm divider",
     Strict(core::InputUnit::None, 0, false)},
}};
constexpr std::array<const char*, 4> kResistorNames = {"R1", "R2", "Rc", "Re"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLabel* Sentence(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

DesignWindow::DesignWindow(QWidget* owner, StageSession* session)
    : QWidget(owner, Qt::Window), session_(session) {
    setObjectName(QStringLiteral("DesignWindow"));
    setWindowTitle(QStringLiteral("Tindrel: Design"));
    Build();
    auto* loadLine = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(loadLine, &QShortcut::activated, session_, &StageSession::AskForLoadLine);
    auto* amplifier = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(amplifier, &QShortcut::activated, session_, &StageSession::AskForAmplifier);
    const core::Stage shown = session_->ShownStage();
    // The target the design window was last left with, in this run or an
    // earlier one.
    Show(session_->DesignTarget().value_or(core::FirstTarget(&shown)));
    connect(session_, &StageSession::SpreadSettingsChanged, this, &DesignWindow::ShowDesign);
    built_ = true;
    Recompute();
    // Wide enough that the lines under the table keep to one line each.
    resize(std::max(sizeHint().width(), 60 * fontMetrics().averageCharWidth()),
           sizeHint().height());
}

void DesignWindow::Build() {
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const QString name = QString::fromUtf8(kBoxInfo[i].name);
        auto* box = new InputBox(this);
        box->setAccessibleName(name);
        // Free text of any length, as in the main window: a cut-off paste
        // would read as another number.
        box->setMaxLength(std::numeric_limits<int>::max());
        box->SetOrdinaryTip(QString::fromUtf8(kBoxInfo[i].tip));
        box->SetRule(kBoxInfo[i].rule);
        connect(box, &QLineEdit::textChanged, this, &DesignWindow::Recompute);
        boxes_[i] = box;
        form->addRow(name, box);
    }

    series_ = new QComboBox(this);
    series_->setAccessibleName(QStringLiteral("Series"));
    for (core::Series series : core::kAllSeries) {
        series_->addItem(Text(std::string(core::SeriesName(series))), static_cast<int>(series));
    }
    series_->setCurrentIndex(series_->findData(static_cast<int>(core::Series::E24)));
    connect(series_, &QComboBox::currentIndexChanged, this, &DesignWindow::Recompute);
    form->addRow(QStringLiteral("Series"), series_);

    si_ = new QRadioButton(QStringLiteral("Si"), this);
    ge_ = new QRadioButton(QStringLiteral("Ge"), this);
    si_->setAccessibleName(QStringLiteral("Si"));
    ge_->setAccessibleName(QStringLiteral("Ge"));
    auto* materials = new QButtonGroup(this);
    materials->addButton(si_);
    materials->addButton(ge_);
    auto* materialRow = new QHBoxLayout;
    materialRow->addWidget(si_);
    materialRow->addWidget(ge_);
    materialRow->addStretch();
    form->addRow(QStringLiteral("Material"), materialRow);
    connect(si_, &QRadioButton::toggled, this, &DesignWindow::Recompute);

    table_ = new QTableWidget(static_cast<int>(kResistorNames.size()), 2, this);
    table_->setObjectName(QStringLiteral("DesignTable"));
    table_->setAccessibleName(QStringLiteral("Design"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList rows;
    for (const char* name : kResistorNames) rows << QString::fromLatin1(name);
    table_->setVerticalHeaderLabels(rows);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int row = 0; row < table_->rowCount(); ++row) {
        for (int column = 0; column < table_->columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    // Tall enough for its four rows, and no taller.
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setFixedHeight(table_->horizontalHeader()->sizeHint().height() +
                           table_->rowCount() * table_->verticalHeader()->defaultSectionSize() +
                           2 * table_->frameWidth());

    outcome_ = Sentence(this, "DesignOutcome");
    spread_ = Sentence(this, "DesignSpread");
    use_ = new QPushButton(QStringLiteral("Use These Values"), this);
    use_->setAutoDefault(false);
    connect(use_, &QPushButton::clicked, this,
            [this] { session_->UseInputs(core::DesignTexts(design_)); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(use_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(table_);
    layout->addWidget(outcome_);
    layout->addWidget(spread_);
    layout->addStretch();
    layout->addLayout(buttons);
}

void DesignWindow::Show(const core::DesignTarget& target) {
    // The current in the box's milliamperes.
    const std::array<double, kBoxCount> values = {
        target.Vcc,  core::MilliamperesFromAmperes(target.Ic),
        target.Vce,  target.VeShare,
        target.Beta, target.stiffness};
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i]->setText(Text(platform::PlainText(values[i])));
    }
    (target.material == core::Material::Germanium ? ge_ : si_)->setChecked(true);
    series_->setCurrentIndex(series_->findData(static_cast<int>(target.series)));
}

QString DesignWindow::Refusal() const {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const core::InputResult& result = boxes_[i]->Result();
        if (!result.ok()) {
            return RefusalClause(QString::fromLatin1(kBoxInfo[i].clause), result, kBoxInfo[i].rule);
        }
    }
    return {};
}

core::DesignTarget DesignWindow::Target() const {
    core::DesignTarget target;
    target.Vcc = boxes_[Vcc]->Result().value();
    target.Ic = core::AmperesFromMilliamperes(boxes_[Ic]->Result().value());
    target.Vce = boxes_[Vce]->Result().value();
    target.VeShare = boxes_[VeShare]->Result().value();
    target.Beta = boxes_[Beta]->Result().value();
    target.stiffness = boxes_[Stiffness]->Result().value();
    target.material = ge_->isChecked() ? core::Material::Germanium : core::Material::Silicon;
    target.series = static_cast<core::Series>(series_->currentData().toInt());
    return target;
}

void DesignWindow::Recompute() {
    if (!built_) return;
    // Nothing is designed from a refused box, and the target kept is the
    // last one taken.
    if (const QString refusal = Refusal(); !refusal.isEmpty()) {
        design_ = core::Design{};
        design_.reason = refusal.toStdString();
    } else {
        const core::DesignTarget target = Target();
        session_->SetDesignTarget(target);
        design_ = core::MakeDesign(target);
    }
    ShowDesign();
}

void DesignWindow::ShowDesign() {
    table_->setHorizontalHeaderLabels({QStringLiteral("Exact"), series_->currentText()});
    const std::array<double, 4> exact = {design_.exact.R1, design_.exact.R2, design_.exact.Rc,
                                         design_.exact.Re};
    const std::array<double, 4> standard = {design_.standard.R1, design_.standard.R2,
                                            design_.standard.Rc, design_.standard.Re};
    for (std::size_t i = 0; i < exact.size(); ++i) {
        const int row = static_cast<int>(i);
        table_->item(row, 0)->setText(design_.ok ? Text(ExactResistorText(exact[i])) : "");
        table_->item(row, 1)->setText(design_.ok ? Text(StandardResistorText(standard[i])) : "");
    }
    table_->setAccessibleDescription(Text(Describe(design_)));
    outcome_->setText(Text(OutcomeLine(design_)));
    // The load line window's spread form may hold a refused box.
    const std::string& refusal = session_->SpreadRefusal();
    if (!design_.ok) {
        spread_->clear();
    } else if (!refusal.empty()) {
        spread_->setText(QStringLiteral("No spread: ") + Text(refusal) + QLatin1Char('.'));
    } else {
        spread_->setText(
            Text(DesignSpreadLine(core::DesignSpread(design_, session_->SpreadSettings()))));
    }
    spread_->setVisible(design_.ok);
    use_->setEnabled(design_.ok);
}

void DesignWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("Show &Load Line"), session_, &StageSession::AskForLoadLine)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    menu.addAction(tr("A&mplifier (AC)..."), session_, &StageSession::AskForAmplifier)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    menu.exec(event->globalPos());
    event->accept();
}

void DesignWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace ui
