#include "results/result_grid.h"

#include <stdexcept>

namespace rf::results {

ResultGrid::ResultGrid(int rows, int cols, int fixedRows, int fixedCols)
    : colWidths(static_cast<std::size_t>(cols)),
      rowHeights(static_cast<std::size_t>(rows)),
      mergeRow(static_cast<std::size_t>(rows)),
      mergeCol(static_cast<std::size_t>(cols)),
      rows_(rows),
      cols_(cols),
      fixedRows_(fixedRows),
      fixedCols_(fixedCols),
      cells_(static_cast<std::size_t>(rows * cols)) {}

std::size_t ResultGrid::index(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_)
        throw std::out_of_range("grid cell (" + std::to_string(row) + ", " + std::to_string(col) +
                                ") outside the grid");
    return static_cast<std::size_t>(row * cols_ + col);
}

std::vector<GridSpan> ResultGrid::spans() const {
    std::vector<GridSpan> spans;
    std::vector<bool> taken(cells_.size());
    for (int r = 0; r < rows_; ++r) {
        if (!mergeRow[static_cast<std::size_t>(r)]) continue;
        for (int c = 0; c < cols_;) {
            int end = c + 1;
            while (end < cols_ && text(r, end) == text(r, c))
                ++end;
            if (end - c > 1) {
                spans.push_back({r, c, 1, end - c});
                for (int i = c; i < end; ++i)
                    taken[index(r, i)] = true;
            }
            c = end;
        }
    }
    for (int c = 0; c < cols_; ++c) {
        if (!mergeCol[static_cast<std::size_t>(c)]) continue;
        for (int r = 0; r < rows_;) {
            int end = r + 1;
            if (!taken[index(r, c)])
                while (end < rows_ && !taken[index(end, c)] && text(end, c) == text(r, c))
                    ++end;
            if (end - r > 1) spans.push_back({r, c, end - r, 1});
            r = end;
        }
    }
    return spans;
}

}  // namespace rf::results
