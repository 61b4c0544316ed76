#include "ui/loadline/LoadLineWindow.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/Amplifier.h"
#include "core/EngineeringFormat.h"
#include "ui/loadline/LoadLinePicture.h"
#include "ui/loadline/LoadLineSpice.h"
#include "ui/loadline/SpreadForm.h"
#include "ui/parts/PartChoice.h"
#include "ui/parts/PartStore.h"
#include "ui/parts/PartText.h"
#include "ui/session/StageSession.h"
#include "ui/table/TextTable.h"

namespace ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The AC load line's words, after the load line's:
// ` AC load line: slope -1/<R> ohm, swing <s> V peak.`
QString AcLoadLineDescription(const core::SmallSignal& s) {
    return QStringLiteral(" AC load line: slope -1/%1 ohm, swing %2 V peak.")
        .arg(Q(core::ShownNumber(s.acResistance)), Q(core::ShownNumber(s.Swing)));
}

}  // namespace

LoadLineWindow::LoadLineWindow(QWidget* owner, StageSession* session)
    : QWidget(owner, Qt::Window),
      picture_(new LoadLinePicture(this)),
      grid_(new QGridLayout(this)),
      groups_(new QVBoxLayout),
      sentences_(new QVBoxLayout),
      session_(session) {
    setObjectName(QStringLiteral("LoadLineWindow"));
    setWindowTitle(QStringLiteral("Tindrel: Load Line"));
    // The picture takes what the column of inputs and the sentences leave.
    grid_->addWidget(picture_, 0, 0);
    grid_->addLayout(groups_, 0, 1);
    grid_->addLayout(sentences_, 1, 0, 1, 2);
    grid_->setColumnStretch(0, 1);
    grid_->setRowStretch(0, 1);
    groups_->addWidget(new SpreadForm(session_, this));
    table_ = new TextTable(this);
    table_->setObjectName(QStringLiteral("SpreadTable"));
    table_->setAccessibleName(QStringLiteral("Spread table"));
    groups_->addWidget(table_);
    groups_->addWidget(MakeSpiceGroup());
    groups_->addStretch(1);
    sentence_ = AddSentence(QStringLiteral("LoadLineSentence"));
    spreadSentence_ = AddSentence(QStringLiteral("SpreadSentence"));
    spiceSentence_ = AddSentence(QStringLiteral("SpiceSentence"));
    // Only now that there is a sentence to show it in: a part that the
    // session already holds is chosen as the group is made.
    connect(spice_, &LoadLineSpice::Changed, this, &LoadLineWindow::ShowSpice);
    // A part replaced under the same name may bring other ratings.
    connect(part_, &PartChoice::ChosenChanged, this, &LoadLineWindow::ShowRatings);
    auto* design = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(design, &QShortcut::activated, session_, &StageSession::AskForDesign);
    auto* amplifier = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(amplifier, &QShortcut::activated, session_, &StageSession::AskForAmplifier);

    connect(session_, &StageSession::CalculationChanged, this, &LoadLineWindow::FollowCalculation);
    connect(session_, &StageSession::AmplifierChanged, this, &LoadLineWindow::ShowSpice);
    connect(session_, &StageSession::SpreadSettingsChanged, this,
            &LoadLineWindow::FollowSpreadSettings);
    if (session_->LastCalculation()) {
        FollowCalculation(*session_->LastCalculation());
    } else {
        UpdateSpread();
        ShowAll();
    }
}

QWidget* LoadLineWindow::MakeSpiceGroup() {
    spice_ = new LoadLineSpice(this);
    auto* group = new QGroupBox(tr("SPICE"), this);
    auto* form = new QFormLayout(group);
    part_ = new PartChoice(session_, group);
    const auto follow = [this] { spice_->SetPart(part_->Chosen()); };
    follow();
    connect(part_, &PartChoice::ChosenChanged, this, follow);
    form->addRow(tr("Real transistor"), part_);
    // What reading the user's own parts lost, said once.
    const QString note = session_->Parts()->TakeReadingNote();
    if (!note.isEmpty()) {
        auto* label = new QLabel(note, group);
        label->setObjectName(QStringLiteral("PartsNote"));
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        form->addRow(label);
    }
    return group;
}

QLabel* LoadLineWindow::AddSentence(const QString& objectName) {
    auto* label = new QLabel(this);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sentences_->addWidget(label);
    return label;
}

void LoadLineWindow::FollowCalculation(const core::Calculation& calculation) {
    line_ = core::MakeLoadLine(calculation);
    spice_->SetCalculation(calculation);
    UpdateSpread();
    ShowAll();
}

void LoadLineWindow::FollowSpreadSettings() {
    // A Calculate that moves the hFE ends has computed the spread with them.
    if (session_->SpreadSettings() != spreadSettings_ ||
        session_->SpreadRefusal() != spreadRefusal_) {
        UpdateSpread();
        ShowAll();
    }
    emit SpreadSettingsChanged();
}

const core::SpreadSettings& LoadLineWindow::SpreadSettings() const {
    return session_->SpreadSettings();
}

void LoadLineWindow::UpdateSpread() {
    spreadSettings_ = session_->SpreadSettings();
    spreadRefusal_ = session_->SpreadRefusal();
    const auto& calculation = session_->LastCalculation();
    if (!calculation) return;
    // A refused box leaves no spread, rather than the last one as if current.
    if (!spreadRefusal_.empty()) {
        spread_ = core::Spread{};
        spread_.reason = spreadRefusal_;
        return;
    }
    core::ComputeSpread(*calculation, spreadSettings_, spread_);
}

void LoadLineWindow::ShowAll() {
    picture_->SetLine(line_, &spread_);
    const auto& calculation = session_->LastCalculation();
    // Before the first Calculate the region sentence says all there is.
    spreadSentence_->setVisible(calculation.has_value());
    spreadSentence_->setText(Q(core::SpreadSentence(spread_, spreadSettings_)));
    std::vector<core::SpreadTableRow> rows =
        core::SpreadTable(spread_, calculation ? calculation->outcome.point : core::BiasPoint{});
    if (!calculation) {
        for (std::size_t i = 1; i < rows.size(); ++i) rows[i][2].clear();
    }
    TextTable::Rows cells;
    for (const core::SpreadTableRow& row : rows) cells.emplace_back(row.begin(), row.end());
    table_->SetRows(cells);
    ShowSpice();
}

void LoadLineWindow::ShowSpice() {
    // While a run is under way there is no point, and so no marker.
    picture_->SetSpice(spice_->Point(), Q(spice_->part()));
    // The description is made of parts: the load line's, the spread's, then
    // the simulation's.
    // The AC load line's once the amplifier window has opened.
    QString ac;
    std::optional<core::AcLoadLine> acLine;
    if (session_->AmplifierOpened()) {
        const core::AmplifierAnalysis amplifier = session_->AnalyseAmplifier();
        if (amplifier.ok()) {
            ac = AcLoadLineDescription(amplifier.figures);
            acLine = core::MakeAcLoadLine(amplifier.figures);
        }
    }
    picture_->SetAcLine(acLine);
    picture_->setAccessibleDescription(Q(core::Describe(line_)) + ac +
                                       Q(core::DescribeSpread(spread_) + spice_->Description()));
    spiceSentence_->setText(Q(spice_->Sentence()));
    spiceSentence_->setVisible(spice_->Chosen());
    ShowRatings();
}

void LoadLineWindow::ShowRatings() {
    // The region sentence, and with a part and a Calculate, the part's ratings.
    std::string text = core::RegionSentence(line_);
    const std::optional<storage::CatalogueEntry> part = part_->Chosen();
    const auto& calculation = session_->LastCalculation();
    picture_->SetPowerLimit(part && calculation ? part->ratings.Pd : std::nullopt);
    if (part && calculation) {
        const core::RatedFigures figures =
            StageFigures(calculation->stage.Vcc, line_, &spread_, spice_->Point());
        text += " " + RatingsSentence(part->name, part->ratings,
                                      core::CheckRatings(part->ratings, figures));
    }
    sentence_->setText(Q(text));
}

void LoadLineWindow::UseSpiceHelper(const QString& path, int answerMilliseconds) {
    spice_->UseHelper(path, answerMilliseconds);
}

void LoadLineWindow::showEvent(QShowEvent* event) {
    spice_->Resume();
    QWidget::showEvent(event);
}

void LoadLineWindow::closeEvent(QCloseEvent* event) {
    // The helper lives as long as the window is open.
    spice_->Stop();
    QWidget::closeEvent(event);
}

QImage LoadLineWindow::Picture() const { return picture_->grab().toImage(); }

bool LoadLineWindow::SavePicture(const QString& path, QString& error) const {
    // Written to a temporary file that replaces the old one only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (!Picture().save(&file, "PNG")) {
        error = file.error() != QFileDevice::NoError
                    ? file.errorString()
                    : QStringLiteral("the image could not be written");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void LoadLineWindow::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                         : picture_->mapToGlobal(QPoint(0, 0)));
    event->accept();
}

void LoadLineWindow::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the menu as the Menu key does; Escape closes the window.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowMenu(picture_->mapToGlobal(QPoint(0, 0)));
    } else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LoadLineWindow::ShowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(tr("&Copy Picture"), this, &LoadLineWindow::CopyPicture);
    menu.addAction(tr("&Save Picture..."), this, &LoadLineWindow::AskAndSavePicture);
    menu.addSeparator();
    menu.addAction(tr("&Design from a Target..."), session_, &StageSession::AskForDesign)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    menu.addAction(tr("A&mplifier (AC)..."), session_, &StageSession::AskForAmplifier)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    menu.exec(globalPos);
}

void LoadLineWindow::CopyPicture() { QGuiApplication::clipboard()->setImage(Picture()); }

void LoadLineWindow::AskAndSavePicture() {
    QFileDialog dialog(this, tr("Save Picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(tr("PNG images (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    if (lastSaved_.isEmpty()) {
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
        dialog.selectFile(QStringLiteral("load-line.png"));
    } else {
        dialog.selectFile(lastSaved_);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (SavePicture(path, error)) {
        lastSaved_ = path;
        return;
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    tr("The picture could not be saved as %1: %2.").arg(path, error),
                    QMessageBox::Ok, this);
    box.exec();
}

}  // namespace ui
