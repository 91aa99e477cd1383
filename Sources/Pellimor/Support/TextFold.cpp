#include "Support/TextFold.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <atomic>

namespace pellimor::TextFold {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isDroppedMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

// One code point as a text. Not QString::fromUcs4, which takes a leading U+FEFF for a byte
// order mark and drops it.
QString single(char32_t c) {
    if (!QChar::requiresSurrogates(c))
        return QString(QChar(char16_t(c)));
    const QChar pair[] = {QChar(QChar::highSurrogate(c)), QChar(QChar::lowSurrogate(c))};
    return QString(pair, 2);
}

char16_t asciiFolded(char16_t c) {
    return c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c;
}

// Folds one code point above ASCII the long way. After decomposing and dropping the marks,
// every code point takes its simple case folding; when the full upper case of that has
// several characters ("ß" → "SS", "ﬁ" → "FI", "ŉ" → "ʼN"), it folds to each of those
// instead. Going through the simple folding first catches "ẞ", whose upper case is itself
// but whose folding "ß" expands. Characters whose upper case is one character keep their
// simple folding, so "ı" stays "ı" as in the full case folding.
template <typename Sink> void foldSlowly(char32_t c, Sink&& sink) {
    const QString decomposed = single(c).normalized(QString::NormalizationForm_D);
    for (const char32_t d : decomposed.toUcs4()) {
        if (isDroppedMark(d))
            continue;
        const char32_t simple = QChar::toCaseFolded(d);
        const QList<uint> upper = single(simple).toUpper().toUcs4();
        if (upper.size() <= 1) {
            sink(simple);
            continue;
        }
        for (const char32_t u : upper) {
            if (!isDroppedMark(u))
                sink(QChar::toCaseFolded(u));
        }
    }
}

// The folding of every code point of the basic plane, worked out on first use. An entry holds
// up to three folded code points of the basic plane, their count, and whether it is known;
// anything longer takes the long way every time. Entries are pure functions of their index,
// so two threads that fill one at the same time write the same value.
constexpr quint64 kKnown = quint64(1) << 63;
constexpr quint64 kLong = quint64(1) << 62;
constexpr int kCountShift = 48;
std::array<std::atomic<quint64>, 0x10000> g_folded;

quint64 entryFor(char32_t c) {
    std::array<char32_t, 3> units{};
    int count = 0;
    bool fits = true;
    foldSlowly(c, [&](char32_t f) {
        if (count >= int(units.size()) || f > 0xFFFF)
            fits = false;
        else
            units[size_t(count++)] = f;
    });
    if (!fits)
        return kKnown | kLong;
    quint64 entry = kKnown | (quint64(count) << kCountShift);
    for (int i = 0; i < count; ++i)
        entry |= quint64(units[size_t(i)]) << (16 * i);
    return entry;
}

// Folds one code point of the original text (a lone surrogate arrives as itself). Folding
// code point by code point gives the same text as decomposing the whole text first
// (decomposition is per character; only the order of marks can differ, and the marks that
// could move are dropped), and it lets occurrences() map folded positions back.
template <typename Sink> void foldCodePoint(char32_t c, Sink&& sink) {
    if (c < 0x80) {
        sink(asciiFolded(char16_t(c)));
        return;
    }
    if (c < 0x10000) {
        if (QChar::isSurrogate(c)) {
            sink(kReplacement);
            return;
        }
        std::atomic<quint64>& slot = g_folded[c];
        quint64 entry = slot.load(std::memory_order_relaxed);
        if (!(entry & kKnown)) {
            entry = entryFor(c);
            slot.store(entry, std::memory_order_relaxed);
        }
        if (!(entry & kLong)) {
            const int count = int((entry >> kCountShift) & 3);
            for (int i = 0; i < count; ++i)
                sink(char32_t((entry >> (16 * i)) & 0xFFFF));
            return;
        }
    }
    foldSlowly(c, sink);
}

// Calls `visit(c, start, end)` for every code point of `text` ([start, end) in UTF-16 units);
// a lone surrogate is visited as itself.
template <typename Visit> void forEachCodePoint(QStringView text, Visit&& visit) {
    const qsizetype n = text.size();
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < n;) {
        const qsizetype start = i;
        char32_t c = units[i];
        ++i;
        if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(units[i])) {
            c = QChar::surrogateToUcs4(char16_t(c), units[i]);
            ++i;
        }
        visit(c, start, i);
    }
}

// Writes into a byte array or string through a raw pointer, growing it as needed, and trims
// it to what was written when done.
template <typename Buffer, typename Unit> class Writer {
public:
    explicit Writer(Buffer& out, qsizetype expected) : m_out(out), m_start(out.size()) {
        m_out.resize(m_start + std::max<qsizetype>(expected, 16));
        m_p = reinterpret_cast<Unit*>(m_out.data()) + m_start;
        m_end = reinterpret_cast<Unit*>(m_out.data()) + m_out.size();
    }
    ~Writer() { m_out.resize(m_p - reinterpret_cast<Unit*>(m_out.data())); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Room for `n` more units.
    void need(qsizetype n) {
        if (m_end - m_p >= n)
            return;
        const qsizetype used = m_p - reinterpret_cast<Unit*>(m_out.data());
        m_out.resize(std::max(m_out.size() * 2, used + n));
        m_p = reinterpret_cast<Unit*>(m_out.data()) + used;
        m_end = reinterpret_cast<Unit*>(m_out.data()) + m_out.size();
    }
    void put(Unit u) { *m_p++ = u; }

private:
    Buffer& m_out;
    qsizetype m_start;
    Unit* m_p = nullptr;
    Unit* m_end = nullptr;
};

using Utf16Writer = Writer<QString, char16_t>;
using Utf8Writer = Writer<QByteArray, char>;

void putUtf16(Utf16Writer& w, char32_t c) {
    w.need(2);
    if (QChar::requiresSurrogates(c)) {
        w.put(QChar::highSurrogate(c));
        w.put(QChar::lowSurrogate(c));
    } else {
        w.put(char16_t(c));
    }
}

void putUtf8(Utf8Writer& w, char32_t c) {
    w.need(4);
    if (c < 0x80) {
        w.put(char(c));
    } else if (c < 0x800) {
        w.put(char(0xC0 | (c >> 6)));
        w.put(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        w.put(char(0xE0 | (c >> 12)));
        w.put(char(0x80 | ((c >> 6) & 0x3F)));
        w.put(char(0x80 | (c & 0x3F)));
    } else {
        w.put(char(0xF0 | (c >> 18)));
        w.put(char(0x80 | ((c >> 12) & 0x3F)));
        w.put(char(0x80 | ((c >> 6) & 0x3F)));
        w.put(char(0x80 | (c & 0x3F)));
    }
}

// The folding of `text` through `put`, with ASCII on a short path.
template <typename W, typename Put> void foldInto(QStringView text, W& w, Put put) {
    const qsizetype n = text.size();
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < n;) {
        const char16_t u = units[i];
        if (u < 0x80) {
            w.need(1);
            w.put(asciiFolded(u));
            ++i;
            continue;
        }
        char32_t c = u;
        ++i;
        if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(units[i])) {
            c = QChar::surrogateToUcs4(char16_t(c), units[i]);
            ++i;
        }
        foldCodePoint(c, [&](char32_t f) { put(w, f); });
    }
}

} // namespace

QString fold(const QString& text) {
    QString out;
    {
        Utf16Writer w(out, text.size());
        foldInto(text, w, putUtf16);
    }
    return out;
}

void appendFoldedUtf8(QStringView text, QByteArray& out) {
    Utf8Writer w(out, text.size());
    foldInto(text, w, putUtf8);
}

QByteArray foldUtf8(QStringView text) {
    QByteArray out;
    appendFoldedUtf8(text, out);
    return out;
}

bool contains(const QString& haystack, const QString& needle) {
    const QString folded = fold(needle);
    return !folded.isEmpty() && fold(haystack).contains(folded);
}

QList<TextSpan> occurrences(const QString& haystack, const QString& needle) {
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
        foldCodePoint(c, [&](char32_t f) {
            if (QChar::requiresSurrogates(f)) {
                folded.append(QChar(QChar::highSurrogate(f)));
                folded.append(QChar(QChar::lowSurrogate(f)));
            } else {
                folded.append(QChar(char16_t(f)));
            }
        });
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

    QList<TextSpan> found;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = folded.indexOf(foldedNeedle, from);
        if (at < 0)
            break;
        const qsizetype last = at + foldedNeedle.size() - 1;
        found.append(TextSpan{starts[at], ends[last] - starts[at]});
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
