#include "Catalogue/Records/Fmt.h"

#include <QLocale>
#include <QScopeGuard>
#include <cmath>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {

TEST(Fmt, DurationRoundsToWholeSecondsHalvesAwayFromZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "\u2014"},         {-1, "\u2014"},
        {-0.4, "\u2014"},      {nan, "\u2014"},
        {infinity, "\u2014"},  {-infinity, "\u2014"},
        {1e300, "\u2014"},     {0.2, "0:00"},
        {0.4, "0:00"},         {0.5, "0:01"},
        {2.5, "0:03"},         {59.4, "0:59"},
        {59.5, "1:00"},        {61, "1:01"},
        {599.99, "10:00"},     {3599.4, "59:59"},
        {3599.5, "1:00:00"},   {3600, "1:00:00"},
        {3661, "1:01:01"},     {90061, "25:01:01"},
        {360000, "100:00:00"}, {9.2e18, "2555555555555555:33:20"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fmt::duration(c.seconds).toStdString(), c.text) << c.seconds;
}

TEST(Fmt, DateIsTheMediumDateOfTheCurrentLocaleWithoutTime) {
    const QLocale previous;
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });

    // A local date and time, so the expected day holds in every time zone.
    const QDateTime evening(QDate(2026, 12, 8), QTime(23, 59, 59), Qt::LocalTime);
    const struct {
        const char* locale;
        const char* text;
    } cases[] = {
        {"en_GB", "8 Dec 2026"},
        {"en_US", "Dec 8, 2026"},
        {"fr_FR", "8 d\u00E9c. 2026"},
        {"hu_HU", "2026. dec. 8."},
        {"ja_JP", "2026\u5E7412\u67088\u65E5"},
        {"lt_LT", "2026 m. gruod. 8 d."},
        {"en_GB", "8 Dec 2026"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(Fmt::date(evening).toStdString(), c.text) << c.locale;
    }
    EXPECT_EQ(Fmt::date(QDateTime()), QString());
}

TEST(Fmt, DateOrDashMarksDatesNotAfterTheEpochAsUnknown) {
    const QLocale previous;
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));

    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const struct {
        const char* what;
        QDateTime date;
        const char* text;
    } cases[] = {
        {"invalid", QDateTime(), "\u2014"},
        {"the epoch itself", epoch, "\u2014"},
        {"before it", epoch.addDays(-400), "\u2014"},
        {"far in the past", QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC), "\u2014"},
        {"a second after it", epoch.addSecs(1), nullptr}, // a day of 1970, whichever the zone makes it
        // Midday, so the day is the same in every time zone.
        {"a real date", QDateTime(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC), "1 Jun 2024"},
    };
    for (const auto& c : cases) {
        const std::string expected = c.text ? c.text : Fmt::date(c.date).toStdString();
        EXPECT_EQ(Fmt::dateOrDash(c.date).toStdString(), expected) << c.what;
    }
    EXPECT_NE(Fmt::dateOrDash(epoch.addSecs(1)), QStringLiteral("\u2014"));
}

TEST(Fmt, DateShowsTheDayInLocalTime) {
    const QLocale previous;
    const QByteArray previousZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    const auto restore = qScopeGuard([&] {
        QLocale::setDefault(previous);
        if (hadZone)
            qputenv("TZ", previousZone);
        else
            qunsetenv("TZ");
        tzset();
    });
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));

    // Catalogue dates are UTC; 23:30 UTC on the 8th is already the 9th thirteen hours east
    // and still the 8th five hours west (POSIX zone names count west as positive).
    const QDateTime lateUtc(QDate(2026, 12, 8), QTime(23, 30), Qt::UTC);
    const struct {
        const char* zone;
        const char* text;
    } cases[] = {{"EAST-13", "9 Dec 2026"}, {"WEST+5", "8 Dec 2026"}, {"UTC0", "8 Dec 2026"}};
    for (const auto& c : cases) {
        qputenv("TZ", c.zone);
        tzset();
        EXPECT_EQ(Fmt::date(lateUtc).toStdString(), c.text) << c.zone;
    }
}

} // namespace
