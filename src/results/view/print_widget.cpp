#include "results/view/print_widget.h"

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "results/result_windows.h"

namespace rf::results {

namespace {

std::string printerName(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printer.outputFileName().toStdString();
    return printer.printerName().toStdString();
}

// A widget's own drawing as lines and text, and where it goes in the window.
struct Piece {
    QPoint at;
    QPicture picture;
};

// Records `widget` (at `at` in the window) and then each visible child, every
// one in a picture of its own with its own origin: a picture replays a clip
// region moved twice when it was set under a moved origin, which cuts the
// grid lines around the joined cells of a table.
void record(QWidget& widget, QPoint at, std::vector<Piece>& pieces) {
    Piece& piece = pieces.emplace_back();
    piece.at = at;
    QPainter recorder(&piece.picture);
    widget.render(&recorder, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    recorder.end();
    for (QObject* object : widget.children())
        if (auto* child = qobject_cast<QWidget*>(object);
            child && child->isVisible() && !child->isWindow())
            record(*child, at + child->pos(), pieces);
}

}  // namespace

bool askPrinter(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void printWidget(QWidget& widget, QPrinter& printer) {
    // The PDF engine fails without a reason; opening its file first gives one.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        QFile file(printer.outputFileName());
        if (!file.open(QIODevice::WriteOnly))
            throw PrintFailed("Cannot write \"" + printerName(printer) +
                              "\": " + file.errorString().toStdString());
    }
    // Qt renders a widget straight onto a printer through a bitmap of the
    // page; recorded as a picture first, it reaches the page as lines and
    // text, which the printer draws at its own resolution.
    std::vector<Piece> pieces;
    record(widget, QPoint(), pieces);
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintFailed("The printer \"" + printerName(printer) + "\" cannot be opened.");
    const QRect page = painter.viewport();
    const QSize size = widget.size();
    const double scale = std::min(page.width() / static_cast<double>(size.width()),
                                  page.height() / static_cast<double>(size.height()));
    painter.translate((page.width() - scale * size.width()) / 2, 0);
    painter.scale(scale, scale);
    for (const Piece& piece : pieces) {
        painter.save();
        painter.translate(piece.at);
        // Playing a picture scales it from its resolution to the printer's.
        painter.scale(static_cast<double>(piece.picture.logicalDpiX()) / printer.logicalDpiX(),
                      static_cast<double>(piece.picture.logicalDpiY()) / printer.logicalDpiY());
        painter.drawPicture(0, 0, piece.picture);
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw PrintFailed("The printer \"" + printerName(printer) + "\" did not take the page.");
}

}  // namespace rf::results
