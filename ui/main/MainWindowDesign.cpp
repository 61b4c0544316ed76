// The main window's side of the design window: the shortcut that shows it,
// its first values and the spread settings it is given. It writes back only
// through UseInputs.
#include <QRadioButton>
#include <QShortcut>

#include "platform/TextNumber.h"
#include "ui/design/DesignWindow.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"

namespace ui {
namespace {

// A box's number; 0, which no design starts from, where it holds none that a
// double can carry.
double BoxNumber(const InputBox* box) {
    const platform::LenientNumber number = platform::ParseLenient(box->text().toStdString());
    return number.overflow ? 0 : number.value;
}

}  // namespace

void MainWindow::ConnectDesign() {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::ShowDesign);
    connect(List1, &ResultList::DesignWanted, this, &MainWindow::ShowDesign);
}

void MainWindow::ShowDesign() {
    if (designWindow_ == nullptr) {
        // What the boxes hold now, typed or restored from the last run,
        // whether or not it was calculated; germanium wins as in Calculate.
        core::Stage shown;
        shown.Vcc = BoxNumber(TxtVcc);
        shown.Beta = BoxNumber(TxtBeta);
        if (OptSi->isChecked()) shown.material = core::Material::Silicon;
        if (OptGe->isChecked()) shown.material = core::Material::Germanium;
        designWindow_ = new DesignWindow(this, &shown);
        connect(designWindow_, &DesignWindow::ValuesChosen, this, &MainWindow::UseInputs);
        RelaySpreadSettings();
    }
    designWindow_->show();
    designWindow_->raise();
    designWindow_->activateWindow();
}

void MainWindow::ConnectLoadLineToDesign() {
    connect(loadLineWindow_, &LoadLineWindow::DesignWanted, this, &MainWindow::ShowDesign);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), loadLineWindow_);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::ShowDesign);
    connect(loadLineWindow_, &LoadLineWindow::SpreadSettingsChanged, this,
            &MainWindow::RelaySpreadSettings);
    RelaySpreadSettings();
}

void MainWindow::RelaySpreadSettings() {
    // Until the load line window exists the design keeps the default settings.
    if (designWindow_ == nullptr || loadLineWindow_ == nullptr) return;
    designWindow_->SetSpreadSettings(loadLineWindow_->SpreadSettings());
}

}  // namespace ui
