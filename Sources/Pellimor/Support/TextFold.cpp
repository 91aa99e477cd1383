#include "Support/TextFold.h"

#include <QChar>

namespace pellimor::TextFold {

namespace {

bool isDroppedMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

void appendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(static_cast<char16_t>(c)));
    }
}

// Folds one code point of the original text onto `out`. Folding code point by code point
// gives the same text as decomposing the whole text first (decomposition is per character;
// only the order of marks can differ, and the marks that could move are dropped), and it
// lets occurrences() map folded positions back to the original.
void foldCodePoint(QString& out, char32_t c) {
    if (c < 0x80) {
        out.append(QChar(static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c)));
        return;
    }
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    for (const char32_t d : decomposed.toUcs4()) {
        if (!isDroppedMark(d))
            appendCodePoint(out, QChar::toCaseFolded(d));
    }
}

// Calls `visit(start, end)` for every code point of `text` ([start, end) in UTF-16 units).
template <typename Visit> void forEachCodePoint(const QString& text, Visit visit) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype start = i;
        char32_t c = text[i].unicode();
        ++i;
        if (QChar::isHighSurrogate(c) && i < n && text[i].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[i].unicode());
            ++i;
        }
        visit(c, start, i);
    }
}

} // namespace

QString fold(const QString& text) {
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype, qsizetype) { foldCodePoint(out, c); });
    return out;
}

bool contains(const QString& haystack, const QString& needle) {
    const QString folded = fold(needle);
    return !folded.isEmpty() && fold(haystack).contains(folded);
}

QList<Range> occurrences(const QString& haystack, const QString& needle) {
    const QString foldedNeedle = fold(needle);
    if (foldedNeedle.isEmpty())
        return {};

    // The folded haystack, and for every unit of it the original code point it came from.
    QString folded;
    QList<qsizetype> starts;
    QList<qsizetype> ends;
    folded.reserve(haystack.size());
    starts.reserve(haystack.size());
    ends.reserve(haystack.size());
    forEachCodePoint(haystack, [&](char32_t c, qsizetype start, qsizetype end) {
        const qsizetype before = folded.size();
        foldCodePoint(folded, c);
        if (folded.size() == before) {
            // A dropped mark belongs to the character before it.
            if (!ends.isEmpty())
                ends.last() = end;
            return;
        }
        for (qsizetype k = before; k < folded.size(); ++k) {
            starts.append(start);
            ends.append(end);
        }
    });

    QList<Range> found;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = folded.indexOf(foldedNeedle, from);
        if (at < 0)
            break;
        const qsizetype last = at + foldedNeedle.size() - 1;
        found.append(Range{starts[at], ends[last] - starts[at]});
        from = at + foldedNeedle.size();
        // The next search starts after the whole original character the match ended in.
        while (from < folded.size() && starts[from] < ends[last])
            ++from;
    }
    return found;
}

bool localizedCaseInsensitiveContains(const QString& haystack, const QString& needle) {
    if (needle.isEmpty())
        return false;
    const auto folded = [](const QString& text) {
        return text.normalized(QString::NormalizationForm_C).toCaseFolded();
    };
    return folded(haystack).contains(folded(needle));
}

} // namespace pellimor::TextFold
