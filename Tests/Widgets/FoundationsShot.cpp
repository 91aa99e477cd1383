// Draws the shared view pieces in the light and the dark look side by side and saves the
// window as a PNG, for looking at: size bars for the edges of their rule, pills, online dots,
// stars, highlighted text, numbers and every icon. Not a test; run it under a display:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/Tests/Widgets/widgets_shot out.png [icons.png]
//
// With a second file it also writes every icon at 48 pixels there.

#include "Browser/SizeBar.h"
#include "Shell/Views/WindowLook.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/SizeBarView.h"
#include "Widgets/UiFont.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <cstdio>
#include <limits>

using namespace pellimor;

namespace {

constexpr qint64 MB = 1'000'000;
constexpr qint64 GB = 1'000'000'000;

struct Named {
    const char* label;
    SizeBar bar;
};

const Named kBars[] = {
    {"nothing to clear", {0, 0, 0, 50 * GB}},
    {"10 MB render in 100 GB", {0, 0, 10 * MB, 100 * GB}},
    {"total 0", {GB, 2 * GB, 0, 0}},
    {"total below the sum", {0, 3 * GB, 0, GB}},
    {"optimized and proxy", {GB, 3 * GB, 0, 8 * GB}},
    {"all three kinds", {GB, 2 * GB, GB, 8 * GB}},
    {"sizes near 2^63", {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max(), 0, 5}},
};

// The pieces a delegate paints, in rows, as a table would show them.
class Cells : public QWidget {
public:
    Cells() { setMinimumSize(360, 350); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const bool dark = DarkLook::isDark(this);
        const QColor text = palette().color(QPalette::WindowText);
        qreal y = 4;
        const auto caption = [&](const QString& words) {
            painter.setPen(text);
            painter.setFont(CellPainter::digitFont(9, std::nullopt, 1.0));
            painter.drawText(QRectF(0, y, 150, 16), Qt::AlignVCenter, words);
        };

        for (const Named& named : kBars) {
            caption(QString::fromLatin1(named.label));
            CellPainter::drawSizeBar(&painter, CellPainter::sizeBarCellRect(QRectF(150, y, 200, 16)),
                                     named.bar, dark, nullptr);
            y += 18;
        }
        y += 6;
        caption(QStringLiteral("pills"));
        CellPainter::drawPills(&painter, QRectF(150, y - 2, 200, 20),
                               {{QStringLiteral("3"), namedColor(NamedColor::red, dark), {}},
                                {QStringLiteral("Backup"), namedColor(NamedColor::accent, dark), {}, 0.22},
                                {QStringLiteral("12 missing"), namedColor(NamedColor::orange, dark), {}}},
                               6, 1.0, nullptr);
        y += 22;
        caption(QStringLiteral("dots 6, 7, 8"));
        for (int i = 0; i < 3; ++i) {
            const qreal d = 6 + i;
            CellPainter::drawOnlineDot(&painter, QPointF(160 + 20 * i, y + 8), d, true, dark, nullptr);
            CellPainter::drawOnlineDot(&painter, QPointF(230 + 20 * i, y + 8), d, false, dark, nullptr);
        }
        y += 22;
        caption(QStringLiteral("stars"));
        CellPainter::drawStar(&painter, QRectF(152, y, 16, 16), true, dark, nullptr);
        CellPainter::drawStar(&painter, QRectF(180, y, 16, 16), false, dark, nullptr);
        y += 22;
        caption(QStringLiteral("highlight"));
        CellPainter::drawHighlighted(&painter, QRectF(150, y, 200, 16), QStringLiteral("Wedding Day Selects"),
                                     {{8, 3}, {12, 3}}, uiFont(12), text, dark);
        y += 22;
        caption(QStringLiteral("numbers"));
        const QFont digits = CellPainter::digitFont(11, std::nullopt, 1.0);
        CellPainter::drawDigits(&painter, QRectF(150, y, 90, 16), CellPainter::bytesText(1'110'000'000),
                                Qt::AlignRight, digits, text);
        CellPainter::drawDigits(&painter, QRectF(150, y + 16, 90, 16), CellPainter::bytesText(8'880'000'000),
                                Qt::AlignRight, digits, text);
        CellPainter::drawDigits(&painter, QRectF(250, y, 90, 16), CellPainter::wholeNumberText(1111),
                                Qt::AlignRight, digits, text);
        CellPainter::drawDigits(&painter, QRectF(250, y + 16, 90, 16), CellPainter::wholeNumberText(8888),
                                Qt::AlignRight, digits, text);
        y += 40;
        caption(QStringLiteral("icons"));
        const QStringList symbols = Icons::symbols();
        const qreal ratio = devicePixelRatioF();
        for (qsizetype i = 0; i < symbols.size(); ++i) {
            const QPointF at(150 + (i % 11) * 19, y + (i / 11) * 19);
            painter.drawPixmap(at, Icons::tinted(symbols.at(i), QSize(16, 16), text, ratio));
        }
    }
};

QWidget* half(const QPalette& palette, const QString& title) {
    auto* page = new QWidget;
    page->setPalette(palette);
    page->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(page);
    auto* heading = new QLabel(title);
    heading->setFont(uiFont(13, QFont::Bold));
    layout->addWidget(heading);
    layout->addWidget(new Cells);

    auto* panels = new QFormLayout;
    for (const Named& named : kBars) {
        auto* bar = new SizeBarView;
        bar->setBar(named.bar);
        bar->setFixedWidth(200);
        panels->addRow(QString::fromLatin1(named.label), bar);
    }
    layout->addWidget(new QLabel(QStringLiteral("Panel bars (10 high)")));
    layout->addLayout(panels);
    layout->addStretch();
    return page;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("foundations.png");

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(half(WindowLook::lightPalette(), QStringLiteral("Light")));
    layout->addWidget(half(WindowLook::darkPalette(), QStringLiteral("Dark")));
    window.show();
    QApplication::processEvents();

    if (!window.grab().save(out, "PNG")) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));

    if (argc > 2) {
        const QStringList symbols = Icons::symbols();
        const int columns = 8;
        QPixmap sheet(columns * 64, int((symbols.size() + columns - 1) / columns) * 64);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        for (qsizetype i = 0; i < symbols.size(); ++i)
            painter.drawPixmap(int(i % columns) * 64 + 8, int(i / columns) * 64 + 8,
                               Icons::tinted(symbols.at(i), QSize(48, 48), Qt::black));
        painter.end();
        const QString icons = QString::fromLocal8Bit(argv[2]);
        if (!sheet.save(icons, "PNG")) {
            std::fprintf(stderr, "Could not write %s\n", qPrintable(icons));
            return 1;
        }
        std::printf("%s\n", qPrintable(icons));
    }
    return 0;
}
