#include "ui/loadline/SpreadTable.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SpreadTableView::SpreadTableView(QWidget* parent) : QTableWidget(core::kSpreadRows, 3, parent) {
    setObjectName(QStringLiteral("SpreadTable"));
    setAccessibleName(QStringLiteral("Spread table"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // As tall and wide as its five rows and three columns, no more; and no
    // less, since without scroll bars a narrower table would hide a column.
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < rowCount(); ++row) {
        setVerticalHeaderItem(row, new QTableWidgetItem);
        for (int column = 0; column < columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, item);
        }
    }
    for (int column = 0; column < columnCount(); ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem);
    }
}

void SpreadTableView::SetRows(const std::vector<core::SpreadTableRow>& rows) {
    rows_ = rows;
    for (int column = 0; column < columnCount(); ++column) {
        horizontalHeaderItem(column)->setText(Q(rows_[0][column + 1]));
    }
    for (int row = 0; row < rowCount(); ++row) {
        const core::SpreadTableRow& cells = rows_[static_cast<std::size_t>(row + 1)];
        verticalHeaderItem(row)->setText(Q(cells[0]));
        for (int column = 0; column < columnCount(); ++column) {
            item(row, column)->setText(Q(cells[static_cast<std::size_t>(column + 1)]));
        }
    }
}

void SpreadTableView::CopyTable() const {
    QGuiApplication::clipboard()->setText(Q(core::TabSeparated(rows_)));
}

void SpreadTableView::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                         : mapToGlobal(QPoint(0, 0)));
    event->accept();
}

void SpreadTableView::keyPressEvent(QKeyEvent* event) {
    // The whole table, not only the current cell as an item view copies.
    if (event->matches(QKeySequence::Copy)) {
        CopyTable();
    } else if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowMenu(mapToGlobal(QPoint(0, 0)));
    } else {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SpreadTableView::ShowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("Copy &Table"), this, &SpreadTableView::CopyTable);
    copy->setShortcut(QKeySequence::Copy);
    menu.exec(globalPos);
}

}  // namespace ui
