#include "Catalogue/Records/Fmt.h"

#include "Catalogue/Records/RowDate.h"

#include <QChar>
#include <QList>
#include <QLocale>
#include <cmath>
#include <mutex>
#include <optional>

namespace pellimor::Fmt {

namespace {

// 2^63: the first double above every qint64.
constexpr double kInt64End = 9223372036854775808.0;

QString twoDigits(qint64 value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// One piece of a date format: a field ("d", "MMMM", "yyyy") or literal text, kept raw
// (quotes included) so joining the pieces gives a valid format again.
struct Piece {
    bool field = false;
    QString text;
};

QList<Piece> piecesOf(const QString& format) {
    QList<Piece> pieces;
    auto addLiteral = [&](const QString& text) {
        if (!pieces.isEmpty() && !pieces.last().field)
            pieces.last().text += text;
        else
            pieces.append({false, text});
    };
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype end = i;
            while (end < format.size() && format.at(end) == c)
                ++end;
            pieces.append({true, format.mid(i, end - i)});
            i = end;
        } else if (c == u'\'') {
            // A quoted text runs to the next lone quote; a doubled quote stands for one.
            qsizetype end = i + 1;
            while (end < format.size()) {
                if (format.at(end) == u'\'') {
                    if (end + 1 < format.size() && format.at(end + 1) == u'\'') {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
            addLiteral(format.mid(i, end - i));
            i = end;
        } else {
            addLiteral(QString(c));
            ++i;
        }
    }
    return pieces;
}

bool isJoiner(QChar c) {
    return c.isSpace() || c == u',' || c == u'\u060C' || c == u'\uFF0C' || c == u'\u3001';
}

// Qt offers long and short date formats only. The medium style ("8 Dec 2026", "Dec 8, 2026",
// "2026. dec. 8.") is the long one without its weekday and with the month name abbreviated,
// which keeps each locale's order of day, month and year and its own words around them.
QString mediumDateFormat(const QLocale& locale) {
    QList<Piece> pieces = piecesOf(locale.dateFormat(QLocale::LongFormat));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!pieces[i].field || !pieces[i].text.startsWith(u'd') || pieces[i].text.size() < 3)
            continue;
        const bool last = i == pieces.size() - 1;
        if (last && i > 0) {
            // "d., dddd" or "d日dddd": keep the text that ends the date, drop the separator.
            pieces.removeAt(i);
            QString& before = pieces[i - 1].text;
            while (!before.isEmpty() && isJoiner(before.back()))
                before.chop(1);
            if (before.isEmpty())
                pieces.removeAt(i - 1);
        } else {
            // "dddd, d MMMM" or "ddddที่ d MMMM": the text after the weekday belongs to it.
            pieces.removeAt(i);
            if (i < pieces.size() && !pieces[i].field)
                pieces.removeAt(i);
        }
        break;
    }
    QString format;
    for (const Piece& piece : pieces)
        format += piece.field && piece.text == QLatin1String("MMMM") ? QStringLiteral("MMM") : piece.text;
    return format;
}

// Working the format out takes a little parsing, so it is kept for the locale it was made
// for and made again only when the current locale changes.
QString currentMediumDateFormat(QLocale& locale) {
    static std::mutex lock;
    static std::optional<QLocale> cachedLocale;
    static QString cachedFormat;
    locale = QLocale();
    std::lock_guard guard(lock);
    if (!cachedLocale || *cachedLocale != locale) {
        cachedFormat = mediumDateFormat(locale);
        cachedLocale = locale;
    }
    return cachedFormat;
}

} // namespace

QString duration(double seconds) {
    if (!(seconds > 0))
        return QStringLiteral("\u2014");
    const double rounded = std::round(seconds);
    if (!(rounded < kInt64End))
        return QStringLiteral("\u2014");
    const qint64 s = qint64(rounded);
    if (s < 3600)
        return QStringLiteral("%1:%2").arg(s / 60).arg(twoDigits(s % 60));
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(twoDigits(s % 3600 / 60), twoDigits(s % 60));
}

QString date(const QDateTime& date) {
    if (!date.isValid())
        return {};
    QLocale locale;
    const QString format = currentMediumDateFormat(locale);
    return locale.toString(date.toLocalTime().date(), format);
}

QString dateOrDash(const QDateTime& date) {
    if (!RowDate::isAfterEpoch(date))
        return QStringLiteral("—");
    return Fmt::date(date);
}

} // namespace pellimor::Fmt
