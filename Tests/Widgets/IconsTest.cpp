#include "Widgets/Icons.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

struct Ink {
    int opaque = 0;
    int clear = 0;
};

Ink ink(const QImage& image) {
    Ink result;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            if (alpha > 200)
                ++result.opaque;
            else if (alpha == 0)
                ++result.clear;
        }
    }
    return result;
}

} // namespace

// Every symbol the views name, so a view that asks for one of them never gets a blank.
TEST(Icons, everySymbolTheViewsNameHasAPictureOfOurOwn) {
    const QStringList named = {
        "arrow.3.trianglepath",
        "arrow.clockwise",
        "arrow.up.circle",
        "book.closed",
        "bookmark",
        "calendar",
        "camera.on.rectangle",
        "checkmark.circle.fill",
        "checkmark.seal",
        "chevron.down",
        "chevron.right",
        "circle",
        "circle.lefthalf.filled",
        "doc",
        "doc.on.doc",
        "eject",
        "ellipsis",
        "exclamationmark.circle",
        "exclamationmark.triangle",
        "exclamationmark.triangle.fill",
        "externaldrive",
        "externaldrive.badge.checkmark",
        "externaldrive.badge.plus",
        "externaldrive.fill.badge.checkmark",
        "film",
        "film.stack",
        "folder",
        "folder.badge.gearshape",
        "info.circle",
        "internaldrive",
        "line.3.horizontal.decrease.circle",
        "lock.shield",
        "magnifyingglass",
        "minus.circle",
        "network",
        "pause.circle",
        "play.rectangle",
        "puzzlepiece.extension",
        "questionmark.circle",
        "questionmark.circle.fill",
        "questionmark.folder",
        "sidebar.trailing",
        "square.grid.2x2",
        "square.on.square",
        "star",
        "star.fill",
        "star.square",
        "stop.circle",
        "tag",
        "tag.fill",
        "text.magnifyingglass",
        "trash",
        "tray.full",
        "xmark.circle",
        "xmark.octagon.fill",
    };
    const QStringList symbols = Icons::symbols();
    const QSet<QString> table(symbols.cbegin(), symbols.cend());
    EXPECT_EQ(table.size(), symbols.size()) << "a symbol named twice";
    EXPECT_EQ(QSet<QString>(named.cbegin(), named.cend()), table);

    // Nothing compiled in that the table does not name, and nothing named that is not there.
    QStringList files = QDir(QStringLiteral(":/icons")).entryList(QDir::Files);
    for (QString& file : files)
        file.chop(int(qstrlen(".svg")));
    EXPECT_EQ(QSet<QString>(files.cbegin(), files.cend()), table);

    for (const QString& symbol : symbols) {
        SCOPED_TRACE(symbol.toStdString());
        EXPECT_TRUE(QFile::exists(Icons::fallbackPath(symbol)));
        EXPECT_FALSE(Icons::icon(symbol).isNull());
        // Our own picture draws, at the sizes the views use, as a shape on a clear ground.
        for (const int side : {16, 32}) {
            const QImage image = QIcon(Icons::fallbackPath(symbol)).pixmap(side, side).toImage();
            ASSERT_EQ(image.size(), QSize(side, side));
            const Ink drawn = ink(image);
            EXPECT_GT(drawn.opaque, side * side / 40) << side;
            EXPECT_GT(drawn.clear, side * side / 8) << side;
        }
    }
}

TEST(Icons, unknownNamesGiveNothing) {
    EXPECT_TRUE(Icons::icon(QStringLiteral("no.such.symbol")).isNull());
    EXPECT_TRUE(Icons::icon(QString()).isNull());
    EXPECT_TRUE(Icons::tinted(QStringLiteral("no.such.symbol"), QSize(16, 16), Qt::red).isNull());
    EXPECT_TRUE(Icons::themeName(QStringLiteral("no.such.symbol")).isEmpty());
}

TEST(Icons, tintedIconsAreOneColourInTheIconsShape) {
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap =
            Icons::tinted(QStringLiteral("star.fill"), QSize(16, 16), QColor(255, 204, 0), ratio);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio);
        EXPECT_EQ(pixmap.size(), QSize(16, 16) * ratio);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const Ink drawn = ink(image);
        EXPECT_GT(drawn.opaque, 0);
        EXPECT_GT(drawn.clear, 0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 255) {
                    EXPECT_EQ(QColor(p), QColor(255, 204, 0)) << x << "," << y;
                }
            }
        }
    }
    // A different colour is a different picture, not the cached one.
    const QImage red = Icons::tinted(QStringLiteral("star.fill"), QSize(16, 16), Qt::red).toImage();
    EXPECT_EQ(QColor(red.pixel(8, 8)), QColor(Qt::red));
}
