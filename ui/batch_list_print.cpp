#include "ui/batch_list_print.h"

#include "exports/handover_list.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace ui {

namespace {

constexpr std::size_t kStateColumn = 4;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Where everything goes on a page, in the printer's pixels.
struct PageLayout {
    QFont title;
    QFont text;
    QFont header;
    qreal width = 0;
    qreal height = 0;
    qreal row = 0;      // a row's height
    qreal gap = 0;      // between two columns
    qreal summary = 0;  // the title and the summary's lines, on the first page
    qreal footer = 0;   // the page number's line
    std::array<qreal, exports::kHandoverColumns> columns{};
    int firstPageRows = 0;
    int pageRows = 0;
    int pages = 0;
};

PageLayout layOut(QPrinter& printer, const exports::HandoverList& list) {
    PageLayout layout;
    const QRectF paper = printer.pageLayout().paintRectPixels(printer.resolution());
    layout.width = paper.width();
    layout.height = paper.height();
    // The program's own font: on Linux fontconfig finds the Chinese glyphs for it, on Windows
    // the system's font has them.
    layout.text = QApplication::font();
    layout.text.setPointSizeF(10);
    layout.header = layout.text;
    layout.header.setBold(true);
    layout.title = layout.header;
    layout.title.setPointSizeF(16);
    const QFontMetricsF text(layout.text, &printer);
    const QFontMetricsF header(layout.header, &printer);
    const QFontMetricsF title(layout.title, &printer);
    // Never nothing, even where no font is found: the rows on a page are counted by it.
    layout.row = std::max(text.height(), 1.0) * 1.5;
    layout.gap = text.horizontalAdvance(QStringLiteral("中"));
    layout.summary = (title.height() * 1.8) +
                     (static_cast<qreal>(list.summary().size()) * layout.row) + layout.row;
    layout.footer = layout.row * 1.5;

    for (std::size_t c = 0; c < exports::kHandoverColumns; ++c) {
        layout.columns.at(c) = header.horizontalAdvance(
            QString::fromUtf8(exports::kHandoverHeader.at(c).data(),
                              static_cast<int>(exports::kHandoverHeader.at(c).size())));
    }
    for (std::uint64_t r = 0; r < list.rows(); ++r) {
        const exports::HandoverRow cells = list.row(r);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            layout.columns.at(c) =
                std::max(layout.columns.at(c), text.horizontalAdvance(qt(cells.at(c))));
        }
    }
    // A long 状态 is cut short (elided) to what the page leaves it.
    qreal others = layout.gap * static_cast<qreal>(exports::kHandoverColumns - 1);
    for (std::size_t c = 0; c < exports::kHandoverColumns; ++c) {
        others += c == kStateColumn ? 0 : layout.columns.at(c);
    }
    layout.columns.at(kStateColumn) =
        std::max(layout.gap * 4, std::min(layout.columns.at(kStateColumn), layout.width - others));

    const qreal table = layout.height - layout.footer - layout.row;  // below the column header
    layout.firstPageRows = std::max(0, static_cast<int>((table - layout.summary) / layout.row));
    layout.pageRows = std::max(1, static_cast<int>(table / layout.row));
    const auto rows = static_cast<long long>(list.rows());
    layout.pages = 1;
    if (rows > layout.firstPageRows) {
        layout.pages +=
            static_cast<int>((rows - layout.firstPageRows + layout.pageRows - 1) / layout.pageRows);
    }
    return layout;
}

void drawRow(QPainter& painter, const PageLayout& layout, qreal top,
             const std::array<QString, exports::kHandoverColumns>& cells) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    qreal left = 0;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const qreal width = layout.columns.at(c);
        const QRectF box(left, top, width, layout.row);
        // 序号 to the right, so that its digits stand under each other.
        const Qt::Alignment align = (c == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        painter.drawText(box, static_cast<int>(align),
                         metrics.elidedText(cells.at(c), Qt::ElideRight, width));
        left += width + layout.gap;
    }
}

void drawSummary(QPainter& painter, const PageLayout& layout, const exports::HandoverList& list) {
    painter.setFont(layout.title);
    const QFontMetricsF title(layout.title, painter.device());
    painter.drawText(QRectF(0, 0, layout.width, title.height() * 1.5),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("交接清单"));
    qreal top = title.height() * 1.8;
    for (const auto& [label, value] : list.summary()) {
        painter.setFont(layout.header);
        const QFontMetricsF bold(layout.header, painter.device());
        const QString labelText = qt(label) + QStringLiteral("：");
        painter.drawText(QRectF(0, top, layout.width, layout.row), Qt::AlignLeft | Qt::AlignVCenter,
                         labelText);
        painter.setFont(layout.text);
        const qreal at = bold.horizontalAdvance(QStringLiteral("已核对：")) + layout.gap;
        painter.drawText(QRectF(at, top, layout.width - at, layout.row),
                         Qt::AlignLeft | Qt::AlignVCenter, qt(value));
        top += layout.row;
    }
}

}  // namespace

struct HandoverPages::Run {
    PageLayout layout;
    QPainter painter;
    std::array<QString, exports::kHandoverColumns> header;
    QPen rule;
    int from = 1;
    int to = 0;
    int page = 0;            // the next page
    std::uint64_t next = 0;  // its first row
    bool started = false;    // a page was printed
};

HandoverPages::HandoverPages(QPrinter& printer, const exports::HandoverList& list)
    : printer_(printer), list_(list) {}

HandoverPages::~HandoverPages() {
    if (run_ && run_->painter.isActive()) {
        run_->painter.end();
    }
}

bool HandoverPages::begin() {
    if (list_.rows() == 0) {
        return false;
    }
    run_ = std::make_unique<Run>();
    Run& run = *run_;
    run.layout = layOut(printer_, list_);
    if (!run.painter.begin(&printer_)) {
        run_.reset();
        return false;
    }
    for (std::size_t c = 0; c < run.header.size(); ++c) {
        run.header.at(c) =
            QString::fromUtf8(exports::kHandoverHeader.at(c).data(),
                              static_cast<int>(exports::kHandoverHeader.at(c).size()));
    }
    run.rule = run.painter.pen();
    run.rule.setWidthF(std::max(1.0, printer_.resolution() / 150.0));
    // The pages the print dialog asked for: all, or those from one page to another.
    run.from = std::max(1, printer_.fromPage());
    run.to =
        printer_.toPage() > 0 ? std::min(printer_.toPage(), run.layout.pages) : run.layout.pages;
    return true;
}

int HandoverPages::pages() const {
    return run_ ? run_->layout.pages : 0;
}

int HandoverPages::pagesToPrint() const {
    return run_ ? std::max(0, run_->to - run_->from + 1) : 0;
}

int HandoverPages::printed() const {
    return run_ ? std::max(0, std::min(run_->page, run_->to) - run_->from + 1) : 0;
}

bool HandoverPages::done() const {
    return !run_ || run_->page >= run_->to;
}

bool HandoverPages::printNext() {
    Run& run = *run_;
    const PageLayout& layout = run.layout;
    QPainter& painter = run.painter;
    // The pages before the first asked for are passed over.
    for (; run.page + 1 < run.from; ++run.page) {
        const int rows = run.page == 0 ? layout.firstPageRows : layout.pageRows;
        run.next = std::min(list_.rows(), run.next + static_cast<std::uint64_t>(rows));
    }
    if (run.page >= run.to) {
        return true;
    }
    const int page = run.page++;
    const int rows = page == 0 ? layout.firstPageRows : layout.pageRows;
    if (run.started && !printer_.newPage()) {
        painter.end();
        return false;
    }
    run.started = true;
    qreal top = 0;
    if (page == 0) {
        drawSummary(painter, layout, list_);
        top = layout.summary;
    }
    painter.setFont(layout.header);
    drawRow(painter, layout, top, run.header);
    top += layout.row;
    painter.setPen(run.rule);
    painter.drawLine(QPointF(0, top), QPointF(layout.width, top));
    painter.setFont(layout.text);
    for (int r = 0; r < rows && run.next < list_.rows(); ++r, ++run.next) {
        const exports::HandoverRow row = list_.row(run.next);
        std::array<QString, exports::kHandoverColumns> cells;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            cells.at(c) = qt(row.at(c));
        }
        drawRow(painter, layout, top, cells);
        top += layout.row;
    }
    painter.drawText(QRectF(0, layout.height - layout.footer, layout.width, layout.footer),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("第 %1 页，共 %2 页").arg(page + 1).arg(layout.pages));
    return true;
}

bool HandoverPages::end() {
    return run_ && run_->painter.isActive() && run_->painter.end();
}

void HandoverPages::abort() {
    if (run_ && run_->painter.isActive()) {
        printer_.abort();
        run_->painter.end();
    }
}

int printHandoverList(QPrinter& printer, const exports::HandoverList& list) {
    HandoverPages pages(printer, list);
    if (!pages.begin()) {
        return 0;
    }
    while (!pages.done()) {
        if (!pages.printNext()) {
            return 0;
        }
    }
    return pages.end() ? pages.pages() : 0;
}

}  // namespace ui
