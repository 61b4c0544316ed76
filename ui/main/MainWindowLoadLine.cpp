// The main window's side of the other windows: the shortcut and menu item
// that show the load line window, and what each Calculate hands them. This
// is their one way in; they write back only through UseInputs.
#include <QShortcut>

#include "ui/design/DesignWindow.h"
#include "ui/loadline/LoadLineWindow.h"
#include "ui/main/MainWindow.h"

namespace ui {

void MainWindow::ConnectLoadLine() {
    // Only the shortcut and a connection exist from the start; the window
    // itself is made when it is first asked for.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::ShowLoadLine);
    connect(List1, &ResultList::LoadLineWanted, this, &MainWindow::ShowLoadLine);
}

void MainWindow::ShowLoadLine() {
    if (loadLineWindow_ == nullptr) {
        loadLineWindow_ = new LoadLineWindow(this);
        if (lastCalculation_) loadLineWindow_->SetCalculation(*lastCalculation_);
        ConnectLoadLineToDesign();
    }
    loadLineWindow_->show();
    loadLineWindow_->raise();
    loadLineWindow_->activateWindow();
}

void MainWindow::FollowCalculation(const core::Calculation& calculation) {
    lastCalculation_ = calculation;
    if (loadLineWindow_ != nullptr) loadLineWindow_->SetCalculation(calculation);
}

void MainWindow::CloseOtherWindows() {
    if (loadLineWindow_ != nullptr) loadLineWindow_->close();
    if (designWindow_ != nullptr) designWindow_->close();
}

}  // namespace ui
