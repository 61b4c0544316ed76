#include "ui/table/TextTable.h"

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

TextTable::TextTable(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // As tall and wide as its rows and columns, no more; and no less, since
    // without scroll bars a smaller table would hide some of them.
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void TextTable::Reshape(int rows, int columns) {
    if (rows == rowCount() && columns == columnCount()) return;
    setRowCount(rows);
    setColumnCount(columns);
    for (int row = 0; row < rows; ++row) {
        if (verticalHeaderItem(row) == nullptr) setVerticalHeaderItem(row, new QTableWidgetItem);
        for (int column = 0; column < columns; ++column) {
            if (item(row, column) != nullptr) continue;
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, column, cell);
        }
    }
    for (int column = 0; column < columns; ++column) {
        if (horizontalHeaderItem(column) == nullptr)
            setHorizontalHeaderItem(column, new QTableWidgetItem);
    }
}

void TextTable::SetRows(const Rows& rows) {
    rows_ = rows;
    const int height = rows_.empty() ? 0 : static_cast<int>(rows_.size()) - 1;
    const int width = rows_.empty() ? 0 : static_cast<int>(rows_[0].size()) - 1;
    Reshape(height, width);
    const auto cell = [this](int row, int column) -> QString {
        const auto& cells = rows_[static_cast<std::size_t>(row)];
        const auto at = static_cast<std::size_t>(column);
        return at < cells.size() ? Q(cells[at]) : QString();
    };
    for (int column = 0; column < width; ++column)
        horizontalHeaderItem(column)->setText(cell(0, column + 1));
    for (int row = 0; row < height; ++row) {
        verticalHeaderItem(row)->setText(cell(row + 1, 0));
        for (int column = 0; column < width; ++column)
            item(row, column)->setText(cell(row + 1, column + 1));
    }
}

QString TextTable::TabSeparated() const {
    QString text;
    for (const auto& row : rows_) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += QLatin1Char('\t');
            text += Q(row[i]);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

void TextTable::CopyTable() const { QGuiApplication::clipboard()->setText(TabSeparated()); }

void TextTable::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                         : mapToGlobal(QPoint(0, 0)));
    event->accept();
}

void TextTable::keyPressEvent(QKeyEvent* event) {
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

void TextTable::ShowMenu(const QPoint& globalPos) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("Copy &Table"), this, &TextTable::CopyTable);
    copy->setShortcut(QKeySequence::Copy);
    menu.exec(globalPos);
}

}  // namespace ui
