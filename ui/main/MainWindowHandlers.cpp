// The window's behaviour: start-up, the four buttons and select-on-focus.
// Arithmetic and text come from core/, the last-run file from storage/.
#include <QApplication>
#include <QFocusEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <new>
#include <stdexcept>

#include "core/BiasPoint.h"
#include "core/Calculation.h"
#include "core/StageCalc.h"
#include "core/StageInputs.h"
#include "core/WindowPlacement.h"
#include "platform/FpCheck.h"
#include "storage/LastRunFile.h"
#include "storage/LastRunPlace.h"
#include "ui/main/MainWindow.h"
#include "ui/session/StageSession.h"

namespace ui {
namespace {

constexpr int kTwipsPerPixel = 15;

// The frame the window's full size allows for: 60 twips left, right and
// bottom, 345 on top (title bar included).
const QMargins kAssumedFrame(4, 23, 4, 4);

}  // namespace

std::array<InputBox*, 6> MainWindow::InputBoxes() const {
    // Indexed as storage::Box.
    return {TxtVcc, TxtBeta, TxtR1, TxtR2, TxtRc, TxtRe};
}

void MainWindow::ConnectHandlers() {
    connect(CmdCalc, &QPushButton::clicked, this, &MainWindow::CmdCalc_Click);
    connect(CmdClr, &QPushButton::clicked, this, &MainWindow::CmdClr_Click);
    connect(CmdLoadData, &QPushButton::clicked, this, &MainWindow::CmdLoadData_Click);
    connect(CmdClose, &QPushButton::clicked, this, &MainWindow::CmdClose_Click);
    ConnectSession();
    ConnectSideWindows();
    OptSi->installEventFilter(this);
    OptGe->installEventFilter(this);
    for (InputBox* box : InputBoxes()) {
        // Selects the whole text of up to 99 characters.
        connect(box, &InputBox::GotFocus, box, [box] { box->setSelection(0, 99); });
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Tabbing into the material group lands on the selected option, as in
    // any option group, rather than on the one that last had the focus.
    if (event->type() == QEvent::FocusIn && (watched == OptSi || watched == OptGe)) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QRadioButton* other = watched == OptSi ? OptGe : OptSi;
        const bool tabbed = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        if (tabbed && other->isChecked()) {
            other->setFocus(reason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::Load(const std::string& appDir) {
    AppDir = appDir;
    OptSi->setChecked(true);
    LoadLastRun();
    ShowPlaced();
    TxtVcc->setFocus(Qt::OtherFocusReason);
}

void MainWindow::CmdCalc_Click() {
    RunHandler([this] { Calculate(); });
}

void MainWindow::CmdClr_Click() {
    for (InputBox* box : InputBoxes()) box->clear();
    TxtVcc->setFocus(Qt::OtherFocusReason);
}

void MainWindow::CmdLoadData_Click() { LoadLastRun(); }

void MainWindow::CmdClose_Click() {
    RunHandler([this] {
        SaveLastRun();
        close();
    });
}

core::StageTexts MainWindow::BoxTexts() const {
    core::StageTexts texts;
    const auto boxes = InputBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        core::TextOf(texts, i) = boxes[i]->text().toStdString();
    // Germanium wins where both are set.
    texts.material = core::Material::None;
    if (OptSi->isChecked()) texts.material = core::Material::Silicon;
    if (OptGe->isChecked()) texts.material = core::Material::Germanium;
    return texts;
}

void MainWindow::Calculate() {
    const core::StageTexts texts = BoxTexts();
    const core::StageRun run = session_->Run(texts);
    // A number too large stops the run before anything is asked or cleared.
    if (!run.Ran()) {
        throw platform::ArithmeticError(platform::FpFault::Overflow,
                                        core::FailureMessage(run, texts));
    }
    if (texts.material == core::Material::None)
        ShowMessage(QString::fromUtf8(core::kNoMaterialMessage.data(),
                                      static_cast<qsizetype>(core::kNoMaterialMessage.size())));

    const core::Calculation& calculation = run.calculation;
    const std::vector<std::string> lines = core::BuildResultLines(calculation.outcome);
    // The list changes only once line 1 can be shown; the other windows
    // follow it then.
    if (!lines.empty()) {
        List1->clear();
        for (const std::string& line : lines) List1->addItem(QString::fromStdString(line));
        session_->Keep(calculation);
    }
    if (!calculation.outcome.ok()) {
        throw platform::ArithmeticError(calculation.outcome.fault,
                                        core::FailureMessage(run, texts));
    }
}

void MainWindow::UseInputs(const core::StageTexts& texts) {
    const auto boxes = InputBoxes();
    const std::array<const std::string*, 6> values = {&texts.Vcc, &texts.Beta, &texts.R1,
                                                      &texts.R2,  &texts.Rc,   &texts.Re};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(QString::fromStdString(*values[i]));
    // The option group is exclusive: checking one clears the other.
    if (texts.material == core::Material::Silicon) OptSi->setChecked(true);
    if (texts.material == core::Material::Germanium) OptGe->setChecked(true);
    CmdCalc_Click();
}

void MainWindow::SaveLastRun() {
    storage::Inputs inputs;
    const auto boxes = InputBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) inputs.boxes[i] = boxes[i]->text().toStdString();
    inputs.si = OptSi->isChecked();
    inputs.ge = OptGe->isChecked();
    storage::LastRunPlace(AppDir).Save(inputs);
}

void MainWindow::LoadLastRun() {
    // Never reports anything: whatever cannot be read leaves empty boxes.
    const storage::Loaded loaded = storage::LastRunPlace(AppDir).Load();
    const auto boxes = InputBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->setText(QString::fromStdString(loaded.boxes[i]));
    }
    if (loaded.selectSi) OptSi->setChecked(true);
    if (loaded.selectGe) OptGe->setChecked(true);
}

void MainWindow::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::bad_alloc&) {
        ShowMessage(QStringLiteral("Out of memory: the action was stopped."));
    } catch (const std::exception& error) {
        ShowMessage(QString::fromStdString(error.what()));
    }
}

void MainWindow::ShowMessage(const QString& text) {
    // OK only and no icon; the title is the program's.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tindrel"), text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::ShowPlaced() {
    // The client area a maximized window would have is the screen's work area
    // less the window manager's frame. It is worked out rather than measured
    // by maximizing: a window manager answers a maximize only later, a bare X
    // server never, and the round trip would flicker.
    Place(kAssumedFrame);
    show();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;

    // The window manager frames a new window a moment after it is mapped. The
    // window is placed again when that happens, from the event loop: waiting
    // here would hold back the first paint. Without a window manager no frame
    // ever comes, so the wait ends after a second.
    awaitingFrame_ = true;
    QTimer::singleShot(1000, this, [this] { awaitingFrame_ = false; });
}

bool MainWindow::event(QEvent* event) {
    // Framing moves the client area inside the frame; the move tells.
    if (awaitingFrame_ && event->type() == QEvent::Move) PlaceForFrame();
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Close && event->isAccepted()) CloseOtherWindows();
    return handled;
}

void MainWindow::PlaceForFrame() {
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) return;
    awaitingFrame_ = false;
    if (frame != kAssumedFrame) Place(frame);
}

void MainWindow::Place(const QMargins& frame) {
    const QRect area = screen()->availableGeometry();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const core::WindowPlacement placement =
        core::PlaceWindow((area.width() - frameWidth) * kTwipsPerPixel,
                          (area.height() - frameHeight) * kTwipsPerPixel);

    // At full size the client area is the layout's own, whatever frame is
    // drawn; a smaller window loses what its frame takes.
    int clientWidth = kClientWidthTwips / kTwipsPerPixel;
    int clientHeight = kClientHeightTwips / kTwipsPerPixel;
    if (placement.width < core::kFullWindowWidth) {
        clientWidth = static_cast<int>(placement.width / kTwipsPerPixel) - frameWidth;
    }
    if (placement.height < core::kFullWindowHeight) {
        clientHeight = static_cast<int>(placement.height / kTwipsPerPixel) - frameHeight;
    }
    resize(std::max(clientWidth, 1), std::max(clientHeight, 1));
    // A top-level widget's position is that of its frame's top-left corner.
    move(area.x() + qRound(placement.left / kTwipsPerPixel),
         area.y() + qRound(placement.top / kTwipsPerPixel));
}

}  // namespace ui
