#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace rf::results {

// The printer dialog: lets the operator set up `printer` (already in
// landscape) and says whether to print. Tests put a function in its place
// that chooses a PDF file without asking.
using PrinterDialog = std::function<bool(QPrinter& printer, QWidget* parent)>;

// Qt's own printer dialog (every printer, and printing to a PDF file).
bool askPrinter(QPrinter& printer, QWidget* parent);

// Draws `widget` on one page of `printer`, scaled to fit the page and centred
// across it, at the printer's resolution: text and lines stay sharp, not a
// screen picture blown up. Throws PrintFailed with the reason when the
// printer cannot be opened or the page not finished.
void printWidget(QWidget& widget, QPrinter& printer);

}  // namespace rf::results
