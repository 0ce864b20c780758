#include "report/report_pdf.h"

#include <QChart>
#include <QFont>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QLegend>
#include <QLegendMarker>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QXYSeries>
#include <algorithm>
#include <cmath>
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
        verdict(c.verdict);
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

    // The largest size, from `points` down, at which `text` fits on one line
    // `width` wide.
    QFont fitted(const QString& text, double points, bool bold, double width) const {
        QFont f = font(points, bold);
        while (points > 5 && metrics(f).horizontalAdvance(text) > width)
            f = font(points -= 0.5, bold);
        return f;
    }
    // The height `text` takes broken into lines `width` wide.
    double textHeight(const QFont& f, double width, int flags, const QString& text) const {
        return metrics(f).boundingRect(QRectF(0, 0, width, 1e6), flags, text).height();
    }

    // The title at the head of the page and its number at its foot.
    void frame() {
        if (!p_) return;
        const QRectF titleBox(area_.left(), area_.top(), area_.width(), 8 * mm_);
        p_->setPen(Qt::black);
        p_->setFont(fitted(title_, 9, true, titleBox.width()));
        p_->drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, title_);
        p_->setFont(font(8));
        p_->drawText(QRectF(area_.left(), area_.bottom() - 6 * mm_, area_.width(), 6 * mm_),
                     Qt::AlignCenter, QString("Page %1 of %2").arg(page_).arg(pages_));
        p_->setPen(QPen(Qt::gray, 0.2 * mm_));
        p_->drawLine(titleBox.bottomLeft(), titleBox.bottomRight());
    }

    // Text wrapped to the body's width.
    void paragraph(const QString& text, const QFont& f, double after) {
        const double height = textHeight(f, body_.width(), Qt::TextWordWrap, text);
        need(height);
        if (p_) {
            p_->setPen(Qt::black);
            p_->setFont(f);
            p_->drawText(QRectF(body_.left(), y_, body_.width(), height), Qt::TextWordWrap, text);
        }
        y_ += height + after;
    }

    // The verdict in large type, coloured as the result windows colour a
    // value within or above its limit (INCOMPLETE in orange), then its items.
    void verdict(const Section& s) {
        if (s.title.empty()) return;
        const QFont big = font(22, true);
        need(metrics(big).height() * 2);
        const QColor colour = s.title == "PASS"   ? QColor(0, 128, 0)
                              : s.title == "FAIL" ? QColor(192, 0, 0)
                                                  : QColor(255, 128, 0);
        if (p_) {
            p_->setPen(colour);
            p_->setFont(big);
            p_->drawText(QRectF(body_.left(), y_, body_.width(), metrics(big).height()),
                         Qt::AlignLeft, q("Verdict: " + s.title));
        }
        y_ += metrics(big).height() + 2 * mm_;
        for (const std::string& line : s.lines)
            paragraph(q(line), font(9), 1 * mm_);
        y_ += 3 * mm_;
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

    // Which cells of a table may break into lines at their words.
    enum class Wrap { None, Headings, All };
    // The room around a cell's text: 1.5 mm at the full size of 7.5 points,
    // less with smaller letters.
    double pad(double points) const { return 1.5 * mm_ * points / 7.5; }

    // Columns as wide as their widest cell at `points`.
    std::vector<double> columnWidths(const Table& t, double points, Wrap wrap) const {
        const QFontMetricsF fm = metrics(font(points)), bm = metrics(font(points, true));
        std::vector<double> widths;
        for (std::size_t r = 0; r < t.rows.size(); ++r)
            for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
                if (widths.size() <= c) widths.resize(c + 1, 0);
                const QFontMetricsF& m = r == 0 ? bm : fm;
                const QString text = q(t.rows[r][c].text);
                double w = 0;
                if (wrap == Wrap::All || (r == 0 && wrap == Wrap::Headings))
                    for (const QString& word : text.split(' '))
                        w = std::max(w, m.horizontalAdvance(word));
                else
                    w = m.horizontalAdvance(text);
                // A device pixel to spare, so a text that fits is not broken.
                widths[c] = std::max(widths[c], std::ceil(w) + 1 + 2 * pad(points));
            }
        return widths;
    }

    struct TableFit {
        double points;
        std::vector<double> widths;
        int flags;
    };
    // Every cell on one line, headings broken at their words if the page is
    // too narrow for that, then a smaller font; only a table too wide even at
    // the smallest has its cells broken too, at their words or anywhere. Rows
    // are as high as their text then needs: no text is clipped or elided.
    TableFit fit(const Table& t) const {
        auto sum = [](const std::vector<double>& v) {
            return std::accumulate(v.begin(), v.end(), 0.0);
        };
        double points = 7.5;
        for (;; points -= 0.5) {
            for (Wrap wrap : {Wrap::None, Wrap::Headings}) {
                std::vector<double> widths = columnWidths(t, points, wrap);
                if (sum(widths) <= body_.width()) return {points, widths, Qt::TextWordWrap};
            }
            if (points <= 5) break;
        }
        std::vector<double> widths = columnWidths(t, points, Wrap::All);
        const double total = sum(widths);
        for (double& w : widths)
            w *= body_.width() / total;
        return {points, widths, total <= body_.width() ? Qt::TextWordWrap : Qt::TextWrapAnywhere};
    }

    void table(const Table& t) {
        if (t.rows.empty()) return;
        const TableFit fit = this->fit(t);
        const QFont f = font(fit.points), bold = font(fit.points, true);
        const double pad = this->pad(fit.points);
        std::vector<double> heights;
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            double h = metrics(bold).height();
            for (std::size_t c = 0; c < t.rows[r].size(); ++c)
                h = std::max(h, textHeight(r == 0 ? bold : f, fit.widths[c] - 2 * pad, fit.flags,
                                           q(t.rows[r][c].text)));
            heights.push_back(h + pad);
        }
        const QFont titleFont = font(7.5, true);
        const double titleHeight =
            t.title.empty()
                ? 0
                : textHeight(titleFont, body_.width(), Qt::TextWordWrap, q(t.title)) + pad;
        need(titleHeight + std::accumulate(heights.begin(), heights.end(), 0.0));
        if (!t.title.empty()) {
            if (p_) {
                p_->setPen(Qt::black);
                p_->setFont(titleFont);
                p_->drawText(QRectF(body_.left(), y_, body_.width(), titleHeight),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, q(t.title));
            }
            y_ += titleHeight;
        }
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            double x = body_.left();
            for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
                const Cell& cell = t.rows[r][c];
                const QRectF box(x, y_, fit.widths[c], heights[r]);
                if (p_) {
                    if (r == 0) p_->fillRect(box, QColor(230, 230, 230));
                    p_->setPen(QPen(Qt::gray, 0.15 * mm_));
                    p_->drawRect(box);
                    p_->setPen(QColor(cell.colour.red, cell.colour.green, cell.colour.blue));
                    p_->setFont(r == 0 ? bold : f);
                    p_->drawText(
                        box.adjusted(pad, 0, -pad, 0),
                        (c == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter | fit.flags,
                        q(cell.text));
                }
                x += fit.widths[c];
            }
            y_ += heights[r];
        }
        y_ += 2 * mm_;
    }

    // The chart's entries, drawn below it by the report itself: the chart's
    // own legend keeps to one row and elides what does not fit.
    struct LegendEntry {
        QString label;
        QPen pen;
    };
    static std::vector<LegendEntry> legendEntries(QChart& chart) {
        std::vector<LegendEntry> entries;
        for (QLegendMarker* marker : chart.legend()->markers()) {
            // A series without a name (the measured points) has no entry.
            if (marker->label().isEmpty()) continue;
            const auto* series = qobject_cast<const QXYSeries*>(marker->series());
            entries.push_back(
                {marker->label(), series ? series->pen() : QPen(marker->brush().color())});
        }
        chart.legend()->hide();
        return entries;
    }

    // The entries in rows across the body, each a line in its series' pen and
    // its label whole; returns the rows' height. `scale` turns the chart's pen
    // widths into the page's.
    double legend(const std::vector<LegendEntry>& entries, double bottom, double scale) {
        const QFont f = font(8);
        const QFontMetricsF fm = metrics(f);
        const double sample = 8 * mm_, gap = 1.5 * mm_, spacing = 5 * mm_,
                     lineHeight = fm.height() * 1.4;
        using Row = std::vector<std::pair<const LegendEntry*, double>>;
        // Rows filled from the left, at most `most` entries to a row.
        auto fill = [&](std::size_t most) {
            std::vector<Row> rows(1);
            double rowWidth = 0;
            for (const LegendEntry& e : entries) {
                const double w = sample + gap + fm.horizontalAdvance(e.label);
                if (!rows.back().empty() &&
                    (rows.back().size() == most || rowWidth + spacing + w > body_.width())) {
                    rows.emplace_back();
                    rowWidth = 0;
                }
                rowWidth += (rows.back().empty() ? 0 : spacing) + w;
                rows.back().push_back({&e, w});
            }
            return rows;
        };
        // As few rows as fit, and as even as the same number of rows allows
        // (ten entries in two rows: a head's five to a row).
        std::vector<Row> rows = fill(entries.size());
        const std::size_t count = rows.size();
        if (std::vector<Row> even = fill((entries.size() + count - 1) / count);
            even.size() == count)
            rows = std::move(even);
        const double height = lineHeight * static_cast<double>(rows.size());
        double y = bottom - height;
        for (const auto& row : rows) {
            double width = -spacing;
            for (const auto& [e, w] : row)
                width += spacing + w;
            double x = body_.center().x() - width / 2;
            const double middle = y + lineHeight / 2;
            for (const auto& [e, w] : row) {
                QPen pen = e->pen;
                pen.setWidthF(std::max(pen.widthF(), 1.0) * scale);
                p_->setPen(pen);
                p_->drawLine(QPointF(x, middle), QPointF(x + sample, middle));
                p_->setPen(QColor(60, 60, 60));
                p_->setFont(f);
                // From a point, not into a box: nothing to clip the label to.
                p_->drawText(QPointF(x + sample + gap, middle + (fm.ascent() - fm.descent()) / 2),
                             e->label);
                x += w + spacing;
            }
            y += lineHeight;
        }
        return height;
    }

    // A plot a page, drawn as vector graphics through a scene.
    void plot(const Plot& plot) {
        if (!p_) return;
        const QRectF titleBox(body_.left(), body_.top(), body_.width(), 6 * mm_);
        p_->setPen(Qt::black);
        p_->setFont(fitted(q(plot.title), 9, true, titleBox.width()));
        p_->drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, q(plot.title));
        QGraphicsScene scene;
        QChart* chart = results::makeLevelChart(plot.heads);
        scene.addItem(chart);  // the scene owns the chart
        // The report's letters, not the desktop's, plain (no ligatures) so the
        // file's text reads as written.
        chart->setTitleFont(font(9));
        for (QAbstractAxis* axis : chart->axes()) {
            axis->setLabelsFont(font(9));
            axis->setTitleFont(font(9, true));
        }
        // The chart is laid out at a large screen size and scaled onto the page.
        const double pixels = 1.3 * 96 / 25.4 / mm_;
        const double legendHeight = legend(legendEntries(*chart), body_.bottom(), 1 / pixels);
        const QRectF target(body_.left(), titleBox.bottom(), body_.width(),
                            body_.bottom() - legendHeight - 2 * mm_ - titleBox.bottom());
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
