// What a stored column customisation says: the user's order, the hidden columns, the last
// visible column, and recording a new arrangement without losing what else was stored.

#include "App/ColumnLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QJsonObject parse(const char* json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return document.object();
}

QJsonObject column(const char* id) {
    return ColumnLayout::element(QString::fromUtf8(id));
}

QJsonObject state(const char* visibilityKey) {
    return QJsonObject{{"visibility", QJsonObject{{QString::fromUtf8(visibilityKey), QJsonObject()}}}};
}

} // namespace

TEST(ColumnLayoutTest, lastVisibleColumn) {
    const QStringList three = {"name", "size", "date"};
    struct Case {
        const char* what;
        QJsonObject customization;
        QStringList declared;
        QSet<QString> hiddenByDefault;
        QString expected;
    };
    const QList<Case> cases = {
        {"nothing stored, nothing hidden", {}, three, {}, "date"},
        {"nothing stored, the third hidden by default", {}, three, {"date"}, "size"},
        {"nothing stored, nothing declared", {}, {}, {}, ""},
        {"nothing declared, hidden defaults alone", {}, {}, {"x"}, ""},
        {"a stored order moves a column last",
         parse(R"({"columnOrder":[{"base":{"explicit":{"_0":"date"}}},{"base":{"explicit":{"_0":"name"}}},
                                  {"base":{"explicit":{"_0":"size"}}}]})"),
         three,
         {},
         "size"},
        {"a partial order is completed by the missing columns in declared order",
         parse(R"({"columnOrder":[{"base":{"explicit":{"_0":"date"}}}]})"),
         three,
         {},
         "size"},
        {"the completion comes before the search for the last visible",
         parse(R"({"columnOrder":[{"base":{"explicit":{"_0":"size"}}}]})"),
         three,
         {"date"},
         "name"},
        {"a column hidden by default that the user showed counts as visible",
         QJsonObject{{"perColumnState", QJsonArray{column("date"), state("visible")}}},
         three,
         {"date"},
         "date"},
        {"a column the user hid",
         QJsonObject{{"perColumnState", QJsonArray{column("date"), state("hidden")}}},
         three,
         {},
         "size"},
        {"any other visibility key keeps the default",
         QJsonObject{{"perColumnState", QJsonArray{column("date"), state("automatic")}}},
         three,
         {"date"},
         "size"},
        {"later pairs win",
         QJsonObject{{"perColumnState",
                      QJsonArray{column("date"), state("hidden"), column("date"), state("visible")}}},
         three,
         {},
         "date"},
        {"an unpaired last element is ignored",
         QJsonObject{{"perColumnState", QJsonArray{column("size"), state("hidden"), column("date")}}},
         three,
         {},
         "date"},
        {"a state without an object visibility changes nothing",
         QJsonObject{{"perColumnState", QJsonArray{column("date"), QJsonObject{{"visibility", "hidden"}},
                                                   column("size"), "hidden"}}},
         three,
         {},
         "date"},
        {"a column the table no longer declares counts like any other",
         parse(R"({"columnOrder":[{"base":{"explicit":{"_0":"name"}}},{"base":{"explicit":{"_0":"size"}}},
                                  {"base":{"explicit":{"_0":"date"}}},{"base":{"explicit":{"_0":"old"}}}]})"),
         three,
         {},
         "old"},
        {"elements of another form are skipped",
         parse(R"({"columnOrder":[{"base":{"implicit":{"_0":"date"}}},{"base":{"explicit":{"_0":7}}}, "size",
                                  {"base":{"explicit":{"_0":"date"}}},{"base":{"explicit":{"_0":"name"}}}]})"),
         three,
         {},
         "size"},
        {"an order of no usable element is the declared order",
         parse(R"({"columnOrder":[{"base":{"explicit":{}}}]})"),
         three,
         {},
         "date"},
        {"members of the wrong type are no customisation",
         QJsonObject{{"columnOrder", "date"}, {"perColumnState", QJsonObject{{"date", "hidden"}}}},
         three,
         {},
         "date"},
        {"every column hidden: the last declared",
         QJsonObject{{"columnOrder", QJsonArray{column("date"), column("size"), column("name")}},
                     {"perColumnState",
                      QJsonArray{column("name"), state("hidden"), column("size"), state("hidden")}}},
         three,
         {"date"},
         "date"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ColumnLayout::lastVisible(c.customization, c.declared, c.hiddenByDefault), c.expected);
    }
}

TEST(ColumnLayoutTest, theStoredFormOfAColumn) {
    const QJsonObject element = ColumnLayout::element("size");
    EXPECT_EQ(QJsonDocument(element).toJson(QJsonDocument::Compact),
              QByteArray(R"({"base":{"explicit":{"_0":"size"}}})"));
    EXPECT_EQ(ColumnLayout::identifier(element), QStringLiteral("size"));
    EXPECT_EQ(ColumnLayout::identifier(ColumnLayout::element("")), QString()) << "an empty identifier is one";
    EXPECT_EQ(ColumnLayout::identifier(QJsonValue("size")), std::nullopt);
    EXPECT_EQ(ColumnLayout::identifier(QJsonValue()), std::nullopt);
}

TEST(ColumnLayoutTest, anArrangementReadsBackAsRecordedAndKeepsWhatElseWasStored) {
    const QStringList declared = {"name", "size", "date", "notes"};
    const QSet<QString> hiddenByDefault = {"notes"};
    const QJsonObject previous = parse(R"({
        "columnOrder": [{"base":{"explicit":{"_0":"size"}}}],
        "perColumnState": [{"base":{"explicit":{"_0":"size"}}}, {"sizing": 120, "visibility": {"automatic": {}}},
                           {"base":{"explicit":{"_0":"gone"}}}, {"visibility": {"hidden": {}}}],
        "version": 2
    })");

    struct Case {
        const char* what;
        QStringList order;
        QSet<QString> hidden;
    };
    const QList<Case> cases = {
        {"unchanged", {"size", "name", "date", "notes"}, {"notes"}},
        {"moved", {"date", "notes", "name", "size"}, {"notes"}},
        {"a column hidden", {"size", "name", "date", "notes"}, {"notes", "size"}},
        {"the default-hidden column shown", {"name", "size", "date", "notes"}, {}},
        {"everything hidden", {"name", "size", "date", "notes"}, {"name", "size", "date", "notes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QJsonObject next = ColumnLayout::arranged(previous, c.order, c.hidden, hiddenByDefault);
        EXPECT_EQ(ColumnLayout::order(next, declared), c.order);
        QSet<QString> hiddenDeclared = ColumnLayout::hidden(next, hiddenByDefault);
        hiddenDeclared.remove("gone");
        EXPECT_EQ(hiddenDeclared, c.hidden);
        EXPECT_TRUE(ColumnLayout::hidden(next, hiddenByDefault).contains("gone"))
            << "other columns keep their state";
        EXPECT_EQ(next.value("version"), QJsonValue(2)) << "members the program does not read are kept";

        // A column's existing state is changed in place, its other members kept.
        const QJsonArray pairs = next.value("perColumnState").toArray();
        ASSERT_EQ(pairs.size() % 2, 0);
        EXPECT_EQ(pairs.at(1).toObject().value("sizing"), QJsonValue(120));
        EXPECT_EQ(ColumnLayout::identifier(pairs.at(0)), QStringLiteral("size"));

        // And the same arrangement again changes nothing more.
        EXPECT_EQ(ColumnLayout::arranged(next, c.order, c.hidden, hiddenByDefault), next);
    }
}

TEST(ColumnLayoutTest, onlyColumnsTheUserChangedGetAnExplicitVisibility) {
    const QStringList declared = {"name", "size", "notes"};
    const QSet<QString> hiddenByDefault = {"notes"};
    const QJsonObject untouched = ColumnLayout::arranged({}, declared, {"notes"}, hiddenByDefault);
    EXPECT_TRUE(untouched.value("perColumnState").toArray().isEmpty());
    EXPECT_EQ(ColumnLayout::order(untouched, declared), declared);

    const QJsonObject shown = ColumnLayout::arranged({}, declared, {}, hiddenByDefault);
    EXPECT_EQ(shown.value("perColumnState").toArray(), (QJsonArray{column("notes"), state("visible")}));

    const QJsonObject hidden = ColumnLayout::arranged({}, declared, {"notes", "name"}, hiddenByDefault);
    EXPECT_EQ(hidden.value("perColumnState").toArray(), (QJsonArray{column("name"), state("hidden")}));
    EXPECT_EQ(ColumnLayout::lastVisible(hidden, declared, hiddenByDefault), QStringLiteral("size"));

    // An unpaired element at the end would put a new pair out of step: it goes.
    const QJsonObject unpaired{{"perColumnState", QJsonArray{column("name")}}};
    const QJsonObject fixed = ColumnLayout::arranged(unpaired, declared, {"notes", "size"}, hiddenByDefault);
    EXPECT_EQ(fixed.value("perColumnState").toArray(), (QJsonArray{column("size"), state("hidden")}));
}
