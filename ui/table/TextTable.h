#pragma once

#include <QTableWidget>
#include <string>
#include <vector>

namespace ui {

// A table of texts: read-only, selectable, and copied whole as tab-separated
// text by Ctrl+C and its menu. It is as tall and wide as its cells.
class TextTable : public QTableWidget {
    Q_OBJECT

public:
    // The first row holds the column headers, the first column the row
    // names; the top-left cell is copied but not shown.
    using Rows = std::vector<std::vector<std::string>>;

    explicit TextTable(QWidget* parent = nullptr);

    void SetRows(const Rows& rows);
    // The rows, a line each, their cells separated by tabs.
    QString TabSeparated() const;
    void CopyTable() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMenu(const QPoint& globalPos);
    void Reshape(int rows, int columns);

    Rows rows_;
};

}  // namespace ui
