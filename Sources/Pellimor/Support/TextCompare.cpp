#include "Support/TextCompare.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace pellimor::TextCompare {

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

QString composed(const QString& text) {
    return text.normalized(QString::NormalizationForm_C);
}

// QCollator is not safe to share between threads, so every thread builds its own pair.
struct Collators {
    QCollator order;    // case-insensitive, numbers by value
    QCollator tieBreak; // the same with letter case considered
    bool numeric = false;

    Collators() {
        // The "C" locale's collation compares code units and ignores numeric mode; names
        // would sort "Event 10" before "Event 2" and "é" after "z". English rules are the
        // neutral choice there.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        for (QCollator* c : {&order, &tieBreak}) {
            c->setLocale(locale);
            c->setNumericMode(true);
        }
        order.setCaseSensitivity(Qt::CaseInsensitive);
        tieBreak.setCaseSensitivity(Qt::CaseSensitive);
        numeric = order.compare(QStringLiteral("Event 2"), QStringLiteral("Event 10")) < 0 &&
                  order.compare(QStringLiteral("a"), QStringLiteral("A")) == 0;
    }
};

Collators& collators() {
    thread_local Collators instance;
    return instance;
}

// Case-insensitive word order without numbers, for tag lists.
struct WordOrder {
    QCollator collator;
    bool ignoresCase = false;

    WordOrder() {
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        collator.setLocale(locale);
        collator.setNumericMode(false);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        ignoresCase = collator.compare(QStringLiteral("a"), QStringLiteral("A")) == 0 &&
                      collator.compare(QStringLiteral("a"), QStringLiteral("B")) < 0;
    }
};

WordOrder& wordOrder() {
    thread_local WordOrder instance;
    return instance;
}

// Shifts the UTF-16 ranges D800–DFFF (surrogates) and E000–FFFF past each other, which makes
// a unit-by-unit comparison one by code points.
char16_t codePointKey(char16_t unit) {
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    if (unit >= 0xD800)
        return char16_t(unit + 0x2000);
    return unit;
}

struct Run {
    QStringView text;
    bool digits;
};

Run nextRun(QStringView text, qsizetype& pos) {
    const qsizetype start = pos;
    const bool digits = text[pos].isDigit();
    while (pos < text.size() && text[pos].isDigit() == digits)
        ++pos;
    return {text.mid(start, pos - start), digits};
}

// Compares two runs of decimal digits by value; any script's decimal digits count.
int compareNumbers(QStringView a, QStringView b) {
    auto significant = [](QStringView digits) {
        qsizetype i = 0;
        while (i + 1 < digits.size() && digits[i].digitValue() == 0)
            ++i;
        return digits.mid(i);
    };
    const QStringView x = significant(a);
    const QStringView y = significant(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    for (qsizetype i = 0; i < x.size(); ++i) {
        const int dx = x[i].digitValue();
        const int dy = y[i].digitValue();
        if (dx != dy)
            return dx < dy ? -1 : 1;
    }
    return 0;
}

} // namespace

int digitRunCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const Run x = nextRun(a, i);
        const Run y = nextRun(b, j);
        int r = 0;
        if (x.digits && y.digits)
            r = compareNumbers(x.text, y.text);
        else if (x.digits != y.digits)
            // Every number sorts where "0" would, whatever its script, so the order stays
            // transitive when digits of several scripts meet letters.
            r = x.digits ? sign(QStringView(u"0").compare(y.text.left(1), Qt::CaseInsensitive))
                         : -sign(QStringView(u"0").compare(x.text.left(1), Qt::CaseInsensitive));
        else
            r = sign(x.text.compare(y.text, Qt::CaseInsensitive));
        if (r != 0)
            return r;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int localizedStandard(const QString& a, const QString& b) {
    const QString x = composed(a);
    const QString y = composed(b);
    Collators& c = collators();
    int r = c.numeric ? sign(c.order.compare(x, y)) : digitRunCompare(x, y);
    if (r == 0 && c.numeric)
        r = sign(c.tieBreak.compare(x, y));
    if (r == 0)
        r = sign(x.compare(y));
    return r;
}

bool lessThan(const QString& a, const QString& b) {
    return localizedStandard(a, b) < 0;
}

int localizedCaseInsensitive(const QString& a, const QString& b) {
    WordOrder& w = wordOrder();
    int r =
        w.ignoresCase ? sign(w.collator.compare(a, b)) : sign(QString::compare(a, b, Qt::CaseInsensitive));
    if (r == 0)
        r = sign(a.compare(b));
    return r;
}

bool codePointLess(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        if (x != y)
            return codePointKey(x) < codePointKey(y);
    }
    return a.size() < b.size();
}

} // namespace pellimor::TextCompare
