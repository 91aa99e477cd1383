#include "App/ColumnFit.h"

#include <algorithm>
#include <cmath>

namespace pellimor::ColumnFit {

namespace {

constexpr double kContentSlack = 6;
constexpr double kHeaderSlack = 14;
constexpr double kEdge = 2;
constexpr int kBisections = 30;
constexpr double kWriteThreshold = 0.5;

double maximumOf(const Column& column) {
    return std::max(column.maximum, column.minimum);
}

// The width under a common cap: the want lowered to the cap, but never below the minimum.
double capped(double want, double cap, const Column& column) {
    return std::max(std::min(want, cap), column.minimum);
}

} // namespace

double want(const Column& column) {
    const double fromContent = column.content ? column.inset + *column.content + kContentSlack : 0;
    const double wanted = std::max(fromContent, column.header + kHeaderSlack);
    return std::min(std::max(wanted, column.minimum), maximumOf(column));
}

Plan plan(const Input& input, const QList<qint64>& lastKey) {
    const QList<Column>& columns = input.columns;
    double spacing = 2 * input.leading;
    QList<double> wants;
    wants.reserve(columns.size());
    for (const Column& column : columns) {
        wants.append(want(column));
        spacing += column.spacing;
    }
    const double available = input.viewport - spacing - kEdge;

    Plan result;
    for (const double w : std::as_const(wants))
        result.key.append(std::llround(w));
    result.key.append(std::llround(available));
    result.key.append(columns.size());
    if (result.key == lastKey) {
        result.unchanged = true;
        return result;
    }
    if (columns.isEmpty())
        return result;

    double sum = 0;
    for (const double w : std::as_const(wants))
        sum += w;
    QList<double> widths = wants;
    if (available >= sum) {
        // Room to spare: shared by the columns that can still grow, in proportion to their wants.
        double total = 0;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (maximumOf(columns[i]) - wants[i] > 0)
                total += wants[i];
        }
        if (total > 0) {
            const double spare = available - sum;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                const double room = maximumOf(columns[i]) - wants[i];
                if (room > 0)
                    widths[i] = wants[i] + std::min(spare * wants[i] / total, room);
            }
        }
    } else {
        // Too little: the largest common cap that fits, found by bisection.
        double low = 0;
        double high = *std::max_element(wants.cbegin(), wants.cend());
        for (int round = 0; round < kBisections; ++round) {
            const double middle = (low + high) * 0.5;
            double candidates = 0;
            for (qsizetype i = 0; i < columns.size(); ++i)
                candidates += capped(wants[i], middle, columns[i]);
            if (candidates <= available)
                low = middle;
            else
                high = middle;
        }
        for (qsizetype i = 0; i < columns.size(); ++i)
            widths[i] = capped(wants[i], low, columns[i]);
    }

    for (qsizetype i = 0; i < columns.size(); ++i) {
        const double width = std::floor(widths[i]);
        result.widths.append(std::abs(width - columns[i].width) > kWriteThreshold
                                 ? std::optional<double>(width)
                                 : std::nullopt);
    }
    return result;
}

} // namespace pellimor::ColumnFit
