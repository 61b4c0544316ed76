// The main window's side of the stage session and the side windows: it
// keeps the session told what its boxes hold, makes each side window on
// first use and shows it when asked. The side windows follow the session;
// they write back only through UseInputs, which the session asks for.
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>

#include "ui/amplifier/AmplifierWindow.h"
#include "ui/design/DesignWindow.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/session/StageSession.h"

namespace ui {

void MainWindow::ConnectSession() {
    session_ = new StageSession(this);
    const auto follow = [this] { session_->SetShownTexts(BoxTexts()); };
    for (InputBox* box : InputBoxes()) connect(box, &QLineEdit::textChanged, this, follow);
    connect(OptSi, &QRadioButton::toggled, this, follow);
    connect(OptGe, &QRadioButton::toggled, this, follow);
    connect(session_, &StageSession::InputsWanted, this, &MainWindow::UseInputs);
    connect(session_, &StageSession::LoadLineWanted, this, &MainWindow::ShowLoadLine);
    connect(session_, &StageSession::DesignWanted, this, &MainWindow::ShowDesign);
    connect(session_, &StageSession::AmplifierWanted, this, &MainWindow::ShowAmplifier);
}

void MainWindow::ConnectSideWindows() {
    // Only the shortcuts and connections exist from the start; the windows
    // themselves are made when they are first asked for.
    auto* loadLine = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(loadLine, &QShortcut::activated, this, &MainWindow::ShowLoadLine);
    connect(List1, &ResultList::LoadLineWanted, this, &MainWindow::ShowLoadLine);
    auto* design = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(design, &QShortcut::activated, this, &MainWindow::ShowDesign);
    connect(List1, &ResultList::DesignWanted, this, &MainWindow::ShowDesign);
    auto* amplifier = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(amplifier, &QShortcut::activated, this, &MainWindow::ShowAmplifier);
    connect(List1, &ResultList::AmplifierWanted, this, &MainWindow::ShowAmplifier);
}

namespace {

void Bring(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

// The first side window to open takes back the settings an earlier run
// kept, before it is made, so that it starts with them.
void MainWindow::ShowLoadLine() {
    if (loadLineWindow_ == nullptr) {
        session_->Remember();
        loadLineWindow_ = new LoadLineWindow(this, session_);
        session_->KeepPlace(loadLineWindow_);
    }
    Bring(loadLineWindow_);
}

void MainWindow::ShowDesign() {
    if (designWindow_ == nullptr) {
        session_->Remember();
        designWindow_ = new DesignWindow(this, session_);
        session_->KeepPlace(designWindow_);
    }
    Bring(designWindow_);
}

void MainWindow::ShowAmplifier() {
    if (amplifierWindow_ == nullptr) {
        session_->Remember();
        amplifierWindow_ = new AmplifierWindow(this, session_);
        session_->KeepPlace(amplifierWindow_);
    }
    Bring(amplifierWindow_);
}

void MainWindow::CloseOtherWindows() {
    if (amplifierWindow_ != nullptr) amplifierWindow_->close();
    if (loadLineWindow_ != nullptr) loadLineWindow_->close();
    if (designWindow_ != nullptr) designWindow_->close();
}

}  // namespace ui
