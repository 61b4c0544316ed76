// The main window's side of the load line window: the shortcut and menu item
// that show it, and what each Calculate hands it.
#include <QShortcut>

#include "ui/LoadLineWindow.h"
#include "ui/MainWindow.h"

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
        loadLineWindow_->SetLine(loadLine_);
    }
    loadLineWindow_->show();
    loadLineWindow_->raise();
    loadLineWindow_->activateWindow();
}

void MainWindow::FollowLoadLine(core::LoadLine line) {
    loadLine_ = std::move(line);
    if (loadLineWindow_ != nullptr) loadLineWindow_->SetLine(loadLine_);
}

void MainWindow::CloseLoadLine() {
    if (loadLineWindow_ != nullptr) loadLineWindow_->close();
}

}  // namespace ui
