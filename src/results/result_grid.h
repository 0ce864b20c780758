#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/window_changes.h"

namespace rf::results {

// The system colours the result windows use: a shown value's cell and the
// printout's background take the highlight-text colour, fixed cells and the
// window the button-face colour.
inline constexpr Color HighlightText{255, 255, 255};
inline constexpr Color ButtonFace = colors::ButtonFace;

struct GridCell {
    std::string text;
    Color fore = colors::Black;
    Color back = HighlightText;
    friend bool operator==(const GridCell&, const GridCell&) = default;
};

// Cells joined into one: the top-left cell's text covers `rows` by `cols`.
struct GridSpan {
    int row = 0, col = 0, rows = 1, cols = 1;
    friend bool operator==(const GridSpan&, const GridSpan&) = default;
};

// A cell grid: fixed rows at the top and fixed columns at the left carry the
// headings on the fixed-cell background; sizes are in twips (1/1440 inch, 15
// to a screen pixel at 96 dpi). All cells are centred. Free merging joins
// equal neighbouring texts along the rows and columns that allow it.
class ResultGrid {
  public:
    ResultGrid(int rows, int cols, int fixedRows, int fixedCols);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int fixedRows() const { return fixedRows_; }
    int fixedCols() const { return fixedCols_; }
    bool isFixed(int row, int col) const { return row < fixedRows_ || col < fixedCols_; }

    GridCell& cell(int row, int col) { return cells_.at(index(row, col)); }
    const GridCell& cell(int row, int col) const { return cells_.at(index(row, col)); }
    const std::string& text(int row, int col) const { return cell(row, col).text; }
    // The background a cell shows: fixed cells take the grid's fixed colour.
    Color background(int row, int col) const {
        return isFixed(row, col) ? fixedBack : cell(row, col).back;
    }

    std::vector<int> colWidths;   // twips
    std::vector<int> rowHeights;  // twips
    std::vector<bool> mergeRow;   // rows whose equal neighbours join across
    std::vector<bool> mergeCol;   // columns whose equal neighbours join down
    Color fixedBack = ButtonFace;

    // The joined cells: runs of equal text along a merging row first, then
    // down a merging column among cells no row run has taken.
    std::vector<GridSpan> spans() const;

    friend bool operator==(const ResultGrid&, const ResultGrid&) = default;

  private:
    std::size_t index(int row, int col) const;

    int rows_, cols_, fixedRows_, fixedCols_;
    std::vector<GridCell> cells_;
};

// A command button of a result window.
struct Button {
    std::string caption;
    bool enabled = true;
    bool visible = true;
    friend bool operator==(const Button&, const Button&) = default;
};

// The parts of a result window its printing changes, and the change record
// its view follows (every change is marked as Area::Window).
struct PrintParts {
    Button& PrintGo;
    Button& closeButton;
    bool hideClose;  // whether the printout leaves out the close button too
    std::string& PrintLabel;
    Color& background;
    std::vector<ResultGrid*> grids;
    WindowChanges& changes;
};

}  // namespace rf::results
