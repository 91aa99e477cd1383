#include "Widgets/FavoriteStar.h"

#include "Catalogue/Store/Catalog.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"

#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTest>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

const QString kWedding = QStringLiteral("/Volumes/Work/Wedding.fcpbundle");
const QString kTrailer = QStringLiteral("/Volumes/Work/Trailer.fcpbundle");

// A list whose rows are library paths, each with its star 10 pixels in, centred in a 30-pixel
// row: the star's frame of row 0 covers pixels 10–25 across and 7–22 down.
class StarDelegate : public QStyledItemDelegate {
public:
    explicit StarDelegate(Catalog& catalog) : m_catalog(catalog) {}

    static QRectF frame(const QStyleOptionViewItem& option) {
        return {qreal(option.rect.left() + 10), qreal(option.rect.top() + (option.rect.height() - 16) / 2),
                16, 16};
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        CellPainter::drawStar(painter, frame(option), m_catalog.isFavorite(index.data().toString()),
                              DarkLook::isDark(option.palette), nullptr);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {200, 30}; }
    bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        return FavoriteStar::handleCellEvent(m_catalog, index.data().toString(), frame(option), event);
    }

private:
    Catalog& m_catalog;
};

// Clicks where a user would: on the widget under the point, which passes what it does not take
// on to its parent.
void clickAt(QWidget& top, const QPoint& point) {
    QWidget* target = top.childAt(point);
    if (!target)
        target = &top;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&top, point));
}

LibraryInfo library(const QString& path) {
    LibraryInfo info;
    info.path = path;
    info.name = QFileInfo(path).completeBaseName();
    info.volumeName = QStringLiteral("Work");
    return info;
}

class FavoriteStarTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = env.makeCatalog();
        catalog->seed({.libraries = QList<LibraryInfo>{library(kWedding), library(kTrailer)}});
        catalog->seed({.favorites = QMap<QString, QDateTime>{}});
    }

    test::CatalogTestEnv env{QStringLiteral("star")};
    std::unique_ptr<Catalog> catalog;
};

} // namespace

TEST_F(FavoriteStarTest, everyStarOfOnePathFlipsTogether) {
    QWidget panel;
    panel.resize(300, 200);
    auto* first = new FavoriteStar(*catalog, kWedding, &panel);
    auto* second = new FavoriteStar(*catalog, kWedding, &panel);
    auto* other = new FavoriteStar(*catalog, kTrailer, &panel);
    first->move(10, 10);
    second->move(40, 10);
    other->move(70, 10);

    QStandardItemModel model;
    model.appendRow(new QStandardItem(kWedding));
    QListView list(&panel);
    StarDelegate delegate(*catalog);
    list.setItemDelegate(&delegate);
    list.setModel(&model);
    list.setGeometry(0, 50, 300, 150);
    FavoriteStar::repaintOnChange(*catalog, &list);
    panel.show();
    const QPoint cellStar = StarDelegate::frame([&] {
                                QStyleOptionViewItem option;
                                option.rect = list.visualRect(model.index(0, 0));
                                return option;
                            }())
                                .center()
                                .toPoint();

    const auto shown = [&] {
        return std::vector<bool>{first->isFavorite(), second->isFavorite(), other->isFavorite()};
    };

    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(catalog->isFavorite(kWedding));
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(second->toolTip(), QStringLiteral("Remove from Favorites"));
    EXPECT_EQ(other->toolTip(), QStringLiteral("Add to Favorites"));

    // The table's star of the same library takes it away again, for all of them.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cellStar);
    EXPECT_FALSE(catalog->isFavorite(kWedding));
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(first->toolTip(), QStringLiteral("Add to Favorites"));

    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, false}));
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(QSet<QString>(catalog->favorites().keyBegin(), catalog->favorites().keyEnd()),
              (QSet<QString>{kWedding, kTrailer}));
}

// A press within 3 pixels of the 16 × 16 star toggles it; 4 pixels away it does not. Beside
// the widget's star lies a label that takes no clicks, as in a panel.
TEST_F(FavoriteStarTest, threePixelsOutsideTogglesFourDoesNot) {
    struct Case {
        const char* where;
        QPoint offset; // from the star's top-left pixel
        bool toggles;
    };
    const Case cases[] = {
        {"centre", {8, 8}, true},
        {"3 left", {-3, 8}, true},
        {"4 left", {-4, 8}, false},
        {"3 right", {15 + 3, 8}, true},
        {"4 right", {15 + 4, 8}, false},
        {"3 above", {8, -3}, true},
        {"4 above", {8, -4}, false},
        {"3 below", {8, 15 + 3}, true},
        {"4 below", {8, 15 + 4}, false},
        {"3 out on both sides, at a corner", {-3, -3}, true},
        {"4 out at a corner", {15 + 4, 15 + 4}, false},
    };

    QWidget panel;
    panel.resize(200, 100);
    auto* label = new QLabel(QStringLiteral("Wedding"), &panel);
    label->setGeometry(0, 0, 38, 100); // up to the star's left margin and a little into it
    auto* star = new FavoriteStar(*catalog, kWedding, &panel);
    star->move(40, 40);
    ASSERT_EQ(star->size(), QSize(16, 16));

    QStandardItemModel model;
    model.appendRow(new QStandardItem(kWedding));
    QListView list;
    StarDelegate delegate(*catalog);
    list.setItemDelegate(&delegate);
    list.setModel(&model);
    list.resize(200, 100);

    panel.show();
    list.show();
    const QRect row = list.visualRect(model.index(0, 0));
    ASSERT_EQ(row.top(), 0);

    for (const Case& c : cases) {
        catalog->seed({.favorites = QMap<QString, QDateTime>{}});
        clickAt(panel, star->pos() + c.offset);
        EXPECT_EQ(catalog->isFavorite(kWedding), c.toggles) << "widget, " << c.where;
        EXPECT_EQ(star->isFavorite(), c.toggles) << "widget, " << c.where;

        catalog->seed({.favorites = QMap<QString, QDateTime>{}});
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 7) + c.offset);
        EXPECT_EQ(catalog->isFavorite(kWedding), c.toggles) << "cell, " << c.where;
    }
    // The star keeps its place and size in the layout.
    EXPECT_EQ(star->geometry(), QRect(40, 40, 16, 16));
}

TEST_F(FavoriteStarTest, onlyLeftClicksToggleAndTheLayoutSizeIsTheStars) {
    QWidget panel;
    auto* star = new FavoriteStar(*catalog, kWedding, &panel);
    EXPECT_EQ(star->sizeHint(), QSize(16, 16));
    panel.resize(100, 100);
    star->move(40, 40);
    panel.show();
    QTest::mouseClick(&panel, Qt::RightButton, {}, QPoint(38, 48));
    QTest::mouseClick(star, Qt::RightButton);
    EXPECT_FALSE(catalog->isFavorite(kWedding));

    // A press in the margin that is let go elsewhere is no click.
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(38, 48));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(20, 48));
    EXPECT_FALSE(catalog->isFavorite(kWedding));
    EXPECT_FALSE(star->isDown());
}
