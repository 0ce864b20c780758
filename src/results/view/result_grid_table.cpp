#include "results/view/result_grid_table.h"

#include <QHeaderView>

#include "shell/view/qt_convert.h"

namespace rf::results {

namespace {

// The grid sizes are in twips for an 8-point font; the grid's text is as large
// as the main window's (10 points), so they grow with it: pixels at 96 dpi, by 10/8.
constexpr int FontSize = 10;
int pixels(int twips) {
    return twips * FontSize / (15 * 8);
}

}  // namespace

ResultGridTable::ResultGridTable(const char* name, QWidget* parent) : QTableWidget(parent) {
    setObjectName(name);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(false);
    setFont(QFont("Arial", FontSize));
}

void ResultGridTable::apply(const ResultGrid& grid) {
    if (rowCount() != grid.rows() || columnCount() != grid.cols()) {
        setRowCount(grid.rows());
        setColumnCount(grid.cols());
    }
    int width = 2 * frameWidth(), height = 2 * frameWidth();
    for (int c = 0; c < grid.cols(); ++c) {
        setColumnWidth(c, pixels(grid.colWidths[static_cast<std::size_t>(c)]));
        width += columnWidth(c);
    }
    for (int r = 0; r < grid.rows(); ++r) {
        setRowHeight(r, pixels(grid.rowHeights[static_cast<std::size_t>(r)]));
        height += rowHeight(r);
    }
    setFixedSize(width, height);
    clearSpans();
    for (const GridSpan& span : grid.spans())
        setSpan(span.row, span.col, span.rows, span.cols);
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.cols(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setTextAlignment(Qt::AlignCenter);
                cell->setFlags(Qt::ItemIsEnabled);
                setItem(r, c, cell);
            }
            const GridCell& from = grid.cell(r, c);
            cell->setText(shell::qtText(from.text));
            cell->setForeground(shell::qtColor(from.fore));
            cell->setBackground(shell::qtColor(grid.background(r, c)));
        }
}

}  // namespace rf::results
