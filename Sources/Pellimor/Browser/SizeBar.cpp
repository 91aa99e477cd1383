#include "Browser/SizeBar.h"

#include "Support/ByteCount.h"
#include "Support/ByteSum.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

namespace pellimor {

namespace {

qint64 counted(qint64 bytes) {
    return std::max<qint64>(bytes, 0);
}

struct Kind {
    const char* label;
    qint64 SizeBar::*bytes;
    double SizeBar::Widths::*width;
};

// In drawing and tooltip order.
constexpr Kind kKinds[] = {
    {"Optimized (teal)", &SizeBar::optimized, &SizeBar::Widths::optimized},
    {"Proxy (purple)", &SizeBar::proxy, &SizeBar::Widths::proxy},
    {"Render (orange)", &SizeBar::render, &SizeBar::Widths::render},
};

bool near(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

bool near(const SizeBar::Widths& a, const SizeBar::Widths& b) {
    return near(a.filled, b.filled) && near(a.optimized, b.optimized) && near(a.proxy, b.proxy) &&
           near(a.render, b.render);
}

QString describe(const SizeBar::Widths& w) {
    return QStringLiteral("filled %1, optimized %2, proxy %3, render %4")
        .arg(w.filled)
        .arg(w.optimized)
        .arg(w.proxy)
        .arg(w.render);
}

QString oneLine(QString text) {
    return text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

} // namespace

qint64 SizeBar::generated() const {
    return ByteSum::saturatingSum({counted(optimized), counted(proxy), counted(render)});
}

SizeBar::Widths SizeBar::widths(double width) const {
    Widths result;
    if (generated() < 1 || !(width > 0) || !std::isfinite(width))
        return result;

    // Shares are worked out in doubles, whose sum of three 64-bit counts cannot overflow, so a
    // saturated generated sum still splits the bar in the right proportions.
    const double sum = double(counted(optimized)) + double(counted(proxy)) + double(counted(render));
    const double fraction = sum / std::max(double(total), sum);
    result.filled = std::min(std::max(width * fraction, std::min(width, minimumFill)), width);
    if (!(result.filled > 0))
        return result;

    const Kind* last = nullptr;
    for (const Kind& kind : kKinds) {
        const qint64 bytes = counted(this->*kind.bytes);
        if (bytes < 1)
            continue;
        result.*kind.width = double(bytes) / sum * result.filled;
        last = &kind;
    }
    // The last kind with bytes takes the rounding remainder, so the segments fill exactly;
    // when the others round up past the filled width, the remainder is nothing rather than a
    // sliver of negative width.
    double others = 0;
    for (const Kind& kind : kKinds) {
        if (&kind != last)
            others += result.*kind.width;
    }
    result.*last->width = std::max(result.filled - others, 0.0);
    return result;
}

QString SizeBar::tooltip() const {
    QStringList lines;
    for (const Kind& kind : kKinds) {
        const qint64 bytes = counted(this->*kind.bytes);
        if (bytes >= 1)
            lines.append(QLatin1String(kind.label) + QLatin1String("  ") + ByteCount::file(bytes));
    }
    if (lines.isEmpty())
        return QStringLiteral("Nothing to clear.");
    const qint64 sum = generated();
    const qint64 whole = total < 1 ? sum : total;
    lines.append(ByteCount::file(sum) + QLatin1String(" of ") + ByteCount::file(whole) +
                 QLatin1String(" in this ") + subject + QLatin1Char('.'));
    return lines.join(QLatin1Char('\n'));
}

QList<SizeBar::Check> SizeBar::selfTestCases() {
    constexpr qint64 MB = 1'000'000;
    constexpr qint64 GB = 1'000'000'000;
    constexpr qint64 top = std::numeric_limits<qint64>::max();
    const QString event = QStringLiteral("event");
    const QString library = QStringLiteral("library");
    const double third = 10.0 / 3.0;
    return {
        {QStringLiteral("nothing generated"), {0, 0, 0, 50 * GB, library}, 120, {}, "Nothing to clear."},
        {QStringLiteral("10 MB of render files in a 100 GB library"),
         {0, 0, 10 * MB, 100 * GB, library},
         200,
         {4, 0, 0, 4},
         "Render (orange)  10 MB\n10 MB of 100 GB in this library."},
        {QStringLiteral("a bar narrower than the least fill"),
         {GB, 0, 0, 100 * GB, library},
         3,
         {3, 3, 0, 0},
         "Optimized (teal)  1 GB\n1 GB of 100 GB in this library."},
        {QStringLiteral("a total of 0"),
         {0, 2 * GB, 0, 0, event},
         90,
         {90, 0, 90, 0},
         "Proxy (purple)  2 GB\n2 GB of 2 GB in this event."},
        {QStringLiteral("a total below the generated sum"),
         {0, 0, 3 * GB, GB, library},
         50,
         {50, 0, 0, 50},
         "Render (orange)  3 GB\n3 GB of 1 GB in this library."},
        {QStringLiteral("optimized and proxy only"),
         {GB, 3 * GB, 0, 8 * GB, library},
         100,
         {50, 12.5, 37.5, 0},
         "Optimized (teal)  1 GB\nProxy (purple)  3 GB\n4 GB of 8 GB in this library."},
        {QStringLiteral("all three kinds"),
         {GB, 2 * GB, GB, 4 * GB, library},
         90,
         {90, 22.5, 45, 22.5},
         "Optimized (teal)  1 GB\nProxy (purple)  2 GB\nRender (orange)  1 GB\n4 GB of 4 GB in this "
         "library."},
        {QStringLiteral("thirds"),
         {1, 1, 1, 3, event},
         10,
         {10, third, third, third},
         "Optimized (teal)  1 byte\nProxy (purple)  1 byte\nRender (orange)  1 byte\n"
         "3 bytes of 3 bytes in this event."},
        {QStringLiteral("sizes near 2^63"),
         {top, top, top, top, library},
         90,
         {90, 30, 30, 30},
         "Optimized (teal)  9.22 EB\nProxy (purple)  9.22 EB\nRender (orange)  9.22 EB\n"
         "9.22 EB of 9.22 EB in this library."},
        {QStringLiteral("negative counts"),
         {-5 * GB, 2 * GB, -1, 10 * GB, library},
         100,
         {20, 0, 20, 0},
         "Proxy (purple)  2 GB\n2 GB of 10 GB in this library."},
        {QStringLiteral("no width"),
         {GB, 0, 0, 2 * GB, library},
         0,
         {},
         "Optimized (teal)  1 GB\n1 GB of 2 GB in this library."},
    };
}

bool SizeBar::selfTest(const std::function<void(const QString&)>& print) {
    return selfTest(selfTestCases(), print);
}

bool SizeBar::selfTest(const QList<Check>& cases, const std::function<void(const QString&)>& print) {
    for (const Check& check : cases) {
        const Widths widths = check.bar.widths(check.width);
        if (!near(widths, check.widths)) {
            print(QStringLiteral("size bar self-test failed: ") + check.name + QStringLiteral(": widths ") +
                  describe(widths) + QStringLiteral(", expected ") + describe(check.widths));
            return false;
        }
        const QString tooltip = check.bar.tooltip();
        if (tooltip != check.tooltip) {
            print(QStringLiteral("size bar self-test failed: ") + check.name +
                  QStringLiteral(": tooltip \"") + oneLine(tooltip) + QStringLiteral("\", expected \"") +
                  oneLine(check.tooltip) + QLatin1Char('"'));
            return false;
        }
    }
    print(QStringLiteral("size bar self-test ok"));
    return true;
}

} // namespace pellimor
