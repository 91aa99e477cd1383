// The Compare table's columns and the widths of their content, measured without fonts.

#include "Compare/CompareColumns.h"

#include "Compare/CompareRows.h"
#include "Compare/Comparer.h"
#include "Tests/Compare/CompareFixtures.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingMeasurer.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::compare;
using test::RecordingMeasurer;
using Weight = TextMeasurer::Weight;

namespace {

QList<CNode> rows() {
    const QString id = QStringLiteral("ID");
    LibraryInfo studio = library("Studio", "Wedding", id, {project("Edit", 0, "a")});
    LibraryInfo archive = library("Archive Drive", "Wedding", id);
    return CompareRows::nodes(Comparer::groups({studio, archive}, false), CompareSort(),
                              [](const LibraryInfo&) { return true; });
}

} // namespace

TEST(CompareColumns, declaredColumns) {
    EXPECT_EQ(CompareColumns::declared(),
              (QStringList{"status", "name", "copies", "saved", "projects", "size", "details", "open"}));
    EXPECT_EQ(CompareColumns::defs()[CompareColumns::saved].title, QStringLiteral("Last saved in FCP"));
    EXPECT_FALSE(CompareColumns::defs()[CompareColumns::details].sort.has_value());
    EXPECT_FALSE(CompareColumns::defs()[CompareColumns::open].sort.has_value());
    EXPECT_EQ(CompareColumns::savedText(QDateTime::fromSecsSinceEpoch(0, Qt::UTC)), QStringLiteral("—"));
}

TEST(CompareColumns, widthsAtEitherScale) {
    const QList<CNode> groupRows = rows();
    ASSERT_EQ(groupRows.size(), 1);
    for (const double scale : {1.0, 1.3}) {
        SCOPED_TRACE(scale);
        RecordingMeasurer measurer;
        const QHash<QString, double> widths =
            CompareColumns::widths(groupRows, ColumnWidths(scale, measurer));
        const auto w = [&](const QString& text, double points) {
            return std::ceil(RecordingMeasurer::widthOf(text, points * scale));
        };
        const CNode& group = groupRows.first();
        EXPECT_EQ(widths.value("Status"), std::max(w("Behind", 12) + 24, w("Newest", 12)));
        EXPECT_EQ(widths.value("Library / Drive"), std::max(w("Wedding", 13), w("Archive Drive", 13) + 12));
        EXPECT_EQ(widths.value("Copies"), w("2", 13) + 2);
        EXPECT_EQ(widths.value("Projects"), w("1", 13) + 2);
        EXPECT_EQ(widths.value("Last saved in FCP"), w(CompareColumns::savedText(at(0)), 13));
        EXPECT_EQ(widths.value("Details"), w(group.details, 12));
        EXPECT_DOUBLE_EQ(widths.value("Open"), 48 * scale);
        EXPECT_EQ(widths.size(), 8);

        // Bold labels and semibold names on group rows only; the copy rows' empty "Copies" cells
        // are not measured.
        int copiesTexts = 0;
        QSet<QString> bold;
        QSet<QString> semibold;
        for (const RecordingMeasurer::Rendered& r : measurer.rendered) {
            if (r.weight == Weight::bold)
                bold.insert(r.text);
            if (r.weight == Weight::semibold)
                semibold.insert(r.text);
            if (r.text == "2")
                ++copiesTexts;
        }
        EXPECT_EQ(bold, QSet<QString>{"Behind"});
        EXPECT_EQ(semibold, QSet<QString>{"Wedding"});
        EXPECT_EQ(copiesTexts, 1);
    }
    RecordingMeasurer measurer;
    EXPECT_EQ(CompareColumns::widths({}, ColumnWidths(1.0, measurer)).value("Status"), 24);
}
