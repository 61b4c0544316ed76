// The main window's side of the design window: the shortcut that shows it,
// its first values and the spread settings it is given. It writes back only
// through UseInputs.
#include <QShortcut>

#include "ui/DesignWindow.h"
#include "ui/LoadLineWindow.h"
#include "ui/MainWindow.h"

namespace ui {

void MainWindow::ConnectDesign() {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::ShowDesign);
    connect(List1, &ResultList::DesignWanted, this, &MainWindow::ShowDesign);
}

void MainWindow::ShowDesign() {
    if (designWindow_ == nullptr) {
        designWindow_ =
            new DesignWindow(this, lastCalculation_ ? &lastCalculation_->stage : nullptr);
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
