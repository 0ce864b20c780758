#include "report/report_pdf.h"

#include <QChart>
#include <QFont>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <memory>
#include <numeric>

#include "results/view/level_chart.h"

namespace rf::report {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Lays the report out page by page. It runs twice over the same content: once
// without drawing, to count the pages, and once drawing, with the count known
// for the page numbers. Both runs break pages at the same places.
class Layout {
  public:
    Layout(QPdfWriter& writer, QPainter* painter, int pages)
        : writer_(writer), p_(painter), pages_(pages) {
        const int dpi = writer.resolution();
        mm_ = dpi / 25.4;
        area_ = QRectF(writer.pageLayout().paintRectPixels(dpi));
        area_.moveTo(0, 0);
        body_ = area_.adjusted(0, 10 * mm_, 0, -8 * mm_);
        y_ = body_.top();
    }

    int page() const { return page_; }

    void content(const Content& c) {
        title_ = q(c.title);
        frame();
        section(c.recorder);
        for (const Section& s : c.sections)
            section(s);
        for (const Plot& p : c.plots) {
            newPage();
            plot(p);
        }
    }

  private:
    QFont font(double points, bool bold = false) const {
        QFont f("DejaVu Sans");
        f.setStyleHint(QFont::SansSerif);  // the system's sans-serif where that font is missing
        f.setPointSizeF(points);
        f.setBold(bold);
        // Plain letters (no ligatures), so the file's text reads as written.
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }
    QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, &writer_); }

    void newPage() {
        if (p_) writer_.newPage();
        ++page_;
        y_ = body_.top();
        frame();
    }
    void need(double height) {
        if (y_ + height > body_.bottom() && y_ > body_.top()) newPage();
    }

    // The title at the head of the page and its number at its foot.
    void frame() {
        if (!p_) return;
        p_->setPen(Qt::black);
        p_->setFont(font(9, true));
        p_->drawText(QRectF(area_.left(), area_.top(), area_.width(), 8 * mm_),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
        p_->setFont(font(8));
        p_->drawText(QRectF(area_.left(), area_.bottom() - 6 * mm_, area_.width(), 6 * mm_),
                     Qt::AlignCenter, QString("Page %1 of %2").arg(page_).arg(pages_));
        p_->setPen(QPen(Qt::gray, 0.2 * mm_));
        p_->drawLine(QPointF(area_.left(), area_.top() + 8 * mm_),
                     QPointF(area_.right(), area_.top() + 8 * mm_));
    }

    // Text wrapped to the body's width.
    void paragraph(const QString& text, const QFont& f, double after) {
        const QRectF box =
            metrics(f).boundingRect(QRectF(0, 0, body_.width(), 1e6), Qt::TextWordWrap, text);
        need(box.height());
        if (p_) {
            p_->setPen(Qt::black);
            p_->setFont(f);
            p_->drawText(QRectF(body_.left(), y_, body_.width(), box.height()), Qt::TextWordWrap,
                         text);
        }
        y_ += box.height() + after;
    }

    void section(const Section& s) {
        const QFont titleFont = font(11, true);
        // A title is not left alone at the foot of a page.
        need(metrics(titleFont).height() * 8);
        if (!s.title.empty()) paragraph(q(s.title), titleFont, 1.5 * mm_);
        for (const std::string& line : s.lines)
            paragraph(q(line), font(8.5), 1 * mm_);
        for (const Table& t : s.tables)
            table(t);
        y_ += 3 * mm_;
    }

    // Columns as wide as their widest cell; when that is wider than the page,
    // headings wrap at their words, and if still too wide the columns shrink
    // together.
    std::vector<double> columnWidths(const Table& t, bool wrapHeadings) const {
        const QFontMetricsF fm = metrics(font(7.5)), bm = metrics(font(7.5, true));
        std::vector<double> widths;
        for (std::size_t r = 0; r < t.rows.size(); ++r)
            for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
                if (widths.size() <= c) widths.resize(c + 1, 0);
                const QString text = q(t.rows[r][c].text);
                double w = 0;
                if (r > 0)
                    w = fm.horizontalAdvance(text);
                else if (!wrapHeadings)
                    w = bm.horizontalAdvance(text);
                else
                    for (const QString& word : text.split(' '))
                        w = std::max(w, bm.horizontalAdvance(word));
                widths[c] = std::max(widths[c], w + 3 * mm_);
            }
        return widths;
    }

    void table(const Table& t) {
        if (t.rows.empty()) return;
        const QFont f = font(7.5), bold = font(7.5, true);
        const QFontMetricsF fm = metrics(f), bm = metrics(bold);
        const double pad = 1.5 * mm_;
        auto sum = [](const std::vector<double>& v) {
            return std::accumulate(v.begin(), v.end(), 0.0);
        };
        std::vector<double> widths = columnWidths(t, false);
        if (sum(widths) > body_.width()) widths = columnWidths(t, true);
        const double total = sum(widths);
        if (total > body_.width())
            for (double& w : widths)
                w *= body_.width() / total;
        // The heading row is as high as its most wrapped cell.
        double headHeight = bm.height() + pad;
        for (std::size_t c = 0; c < t.rows[0].size(); ++c)
            headHeight =
                std::max(headHeight, bm.boundingRect(QRectF(0, 0, widths[c] - 2 * pad, 1e6),
                                                     Qt::TextWordWrap, q(t.rows[0][c].text))
                                             .height() +
                                         pad);
        const double rowHeight = fm.height() + pad;
        const double titleHeight = t.title.empty() ? 0 : bm.height() + pad;
        need(titleHeight + headHeight + rowHeight * static_cast<double>(t.rows.size() - 1));
        if (!t.title.empty()) {
            if (p_) {
                p_->setPen(Qt::black);
                p_->setFont(bold);
                p_->drawText(QRectF(body_.left(), y_, body_.width(), titleHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, q(t.title));
            }
            y_ += titleHeight;
        }
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const double h = r == 0 ? headHeight : rowHeight;
            double x = body_.left();
            for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
                const Cell& cell = t.rows[r][c];
                const QRectF box(x, y_, widths[c], h);
                if (p_) {
                    if (r == 0) p_->fillRect(box, QColor(230, 230, 230));
                    p_->setPen(QPen(Qt::gray, 0.15 * mm_));
                    p_->drawRect(box);
                    p_->setPen(QColor(cell.colour.red, cell.colour.green, cell.colour.blue));
                    p_->setFont(r == 0 ? bold : f);
                    p_->drawText(box.adjusted(pad, 0, -pad, 0),
                                 (c == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter |
                                     Qt::TextWordWrap,
                                 q(cell.text));
                }
                x += widths[c];
            }
            y_ += h;
        }
        y_ += 2 * mm_;
    }

    // A plot a page, drawn as vector graphics through a scene.
    void plot(const Plot& plot) {
        const QRectF titleBox(body_.left(), body_.top(), body_.width(), 6 * mm_);
        const QRectF target(body_.left(), titleBox.bottom(), body_.width(),
                            body_.height() - titleBox.height());
        if (!p_) return;
        p_->setPen(Qt::black);
        p_->setFont(font(9, true));
        p_->drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, q(plot.title));
        QGraphicsScene scene;
        QChart* chart = results::makeLevelChart(plot.heads);
        scene.addItem(chart);  // the scene owns the chart
        // Axis titles as plain letters (no ligatures), so the file's text finds them.
        for (QAbstractAxis* axis : chart->axes()) {
            QFont f = axis->titleFont();
            f.setStyleStrategy(QFont::PreferNoShaping);
            axis->setTitleFont(f);
        }
        // The chart is laid out at a large screen size (room for its legend)
        // and scaled onto the page.
        const double pixels = 1.3 * 96 / 25.4 / mm_;
        const QSizeF size(target.width() * pixels, target.height() * pixels);
        chart->resize(size);
        scene.setSceneRect(QRectF(QPointF(0, 0), size));
        scene.render(p_, target, scene.sceneRect());
    }

    QPdfWriter& writer_;
    QPainter* p_;
    int pages_;
    double mm_ = 1;
    QRectF area_, body_;
    double y_ = 0;
    int page_ = 1;
    QString title_;
};

}  // namespace

std::string writePdf(const Content& content, const std::string& path) {
    QSaveFile file(q(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(12, 10, 12, 8), QPageLayout::Millimeter));
        writer.setResolution(600);
        writer.setTitle(q(content.title));
        writer.setCreator("rfadjust");
        Layout counting(writer, nullptr, 0);
        counting.content(content);
        QPainter painter;
        if (!painter.begin(&writer)) return "cannot draw the report " + path;
        Layout drawing(writer, &painter, counting.page());
        drawing.content(content);
        painter.end();
    }
    if (!file.commit()) return "cannot write " + path + ": " + file.errorString().toStdString();
    return "";
}

}  // namespace rf::report
