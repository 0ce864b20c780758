#pragma once

#include <QTableWidget>

#include "results/result_grid.h"

namespace rf::results {

// A ResultGrid on the screen: a table without headers or scroll bars whose
// fixed rows and columns are ordinary cells on the fixed-cell colour, with the
// grid's joined headings as spans, sized to the grid's twips. The operator
// only looks at it.
class ResultGridTable : public QTableWidget {
  public:
    explicit ResultGridTable(const char* name, QWidget* parent = nullptr);

    // Brings every cell, size and span in line with `grid`.
    void apply(const ResultGrid& grid);
};

}  // namespace rf::results
