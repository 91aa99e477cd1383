#include "App/ColumnWidths.h"

#include "Support/Graphemes.h"

#include <algorithm>
#include <cmath>

namespace pellimor {

namespace {

constexpr qsizetype kCandidates = 4;
constexpr double kPillPoints = 10;
constexpr double kPillPadding = 10; // 5 left and 5 right, in points before scaling

// User-perceived characters. Plain ASCII has one per code unit except a CR LF pair, so most
// texts skip the boundary finder.
qsizetype characters(const QString& text) {
    const bool plain =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80 && c != u'\r'; });
    return plain ? text.size() : Graphemes::count(text);
}

} // namespace

double ColumnWidths::measure(const QStringList& texts, double size, TextMeasurer::Weight weight) const {
    struct Candidate {
        const QString* text;
        qsizetype characters;
    };
    QList<Candidate> kept;
    for (const QString& text : texts) {
        if (text.isEmpty())
            continue;
        const qsizetype count = characters(text);
        if (kept.size() >= kCandidates && count <= kept.last().characters)
            continue;
        kept.append({&text, count});
        // Stable, so of equally long texts the earlier stays ahead and a later one is cut.
        std::stable_sort(kept.begin(), kept.end(),
                         [](const Candidate& a, const Candidate& b) { return a.characters > b.characters; });
        if (kept.size() > kCandidates)
            kept.removeLast();
    }
    double widest = 0;
    for (const Candidate& candidate : std::as_const(kept))
        widest = std::max(widest, std::ceil(m_measurer->width(*candidate.text, size * m_scale, weight)));
    return widest;
}

double ColumnWidths::pills(const QList<QStringList>& rows, double gap) const {
    qsizetype count = 0;
    QStringList joined;
    joined.reserve(rows.size());
    for (const QStringList& row : rows) {
        count = std::max(count, row.size());
        joined.append(row.join(QString()));
    }
    if (count == 0)
        return 0;
    return double(count) * (gap + kPillPadding * m_scale) +
           measure(joined, kPillPoints, TextMeasurer::Weight::bold);
}

} // namespace pellimor
