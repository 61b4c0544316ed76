#pragma once

#include <QTableWidget>
#include <vector>

#include "core/Spread.h"

namespace ui {

// The spread's lowest, nominal and highest values: read-only, selectable,
// and copied whole as tab-separated text by Ctrl+C and its menu.
class SpreadTableView : public QTableWidget {
    Q_OBJECT

public:
    explicit SpreadTableView(QWidget* parent = nullptr);

    void SetRows(const std::vector<core::SpreadTableRow>& rows);
    void CopyTable() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMenu(const QPoint& globalPos);

    std::vector<core::SpreadTableRow> rows_;
};

}  // namespace ui
