#include "ui/main/ResultList.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

namespace ui {

QString ResultList::AllLines() const {
    QString text;
    for (int row = 0; row < count(); ++row) {
        text += item(row)->text();
        text += QLatin1Char('\n');
    }
    return text;
}

QString ResultList::SelectedLine() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void ResultList::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : KeyboardMenuPos());
    event->accept();
}

void ResultList::keyPressEvent(QKeyEvent* event) {
    // The platform turns the Menu key into a context menu event by itself;
    // Shift+F10, the other key for it on every desktop, is left to widgets.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowMenu(KeyboardMenuPos());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void ResultList::ShowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    // The mnemonics are stripped from the names that assistive technology reads.
    QAction* copy = menu.addAction(
        tr("&Copy"), this, [this] { QGuiApplication::clipboard()->setText(SelectedLine()); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(!selectedItems().isEmpty());
    QAction* copyAll = menu.addAction(
        tr("Copy &All"), this, [this] { QGuiApplication::clipboard()->setText(AllLines()); });
    copyAll->setEnabled(count() > 0);
    menu.addSeparator();
    QAction* loadLine = menu.addAction(tr("Show &Load Line"), this, &ResultList::LoadLineWanted);
    loadLine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    QAction* design =
        menu.addAction(tr("&Design from a Target..."), this, &ResultList::DesignWanted);
    design->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QAction* amplifier =
        menu.addAction(tr("A&mplifier (AC)..."), this, &ResultList::AmplifierWanted);
    amplifier->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    menu.exec(globalPos);
}

QPoint ResultList::KeyboardMenuPos() const {
    const QModelIndex current = currentIndex();
    const QRect line = current.isValid() ? visualRect(current) : QRect();
    return viewport()->mapToGlobal(line.isValid() ? line.bottomLeft() : QPoint(0, 0));
}

}  // namespace ui
