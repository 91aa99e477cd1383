#include "Widgets/Icons.h"

#include <QPainter>
#include <QPixmapCache>

namespace pellimor::Icons {

namespace {

struct Entry {
    const char* symbol;
    const char* theme; // freedesktop.org icon name, or "" for ours only
};

// Every symbol a view names. A theme name is given only where the freedesktop.org naming
// means the same thing; everything else always draws our own picture.
constexpr Entry kTable[] = {
    {"arrow.3.trianglepath", ""},
    {"arrow.clockwise", "view-refresh"},
    {"arrow.up.circle", "go-up"},
    {"book.closed", ""},
    {"bookmark", ""},
    {"calendar", "x-office-calendar"},
    {"camera.on.rectangle", "camera-photo"},
    {"checkmark.circle.fill", ""},
    {"checkmark.seal", ""},
    {"chevron.down", ""},
    {"chevron.right", ""},
    {"circle", ""},
    {"circle.lefthalf.filled", ""},
    {"doc", "text-x-generic"},
    {"doc.on.doc", "edit-copy"},
    {"eject", "media-eject"},
    {"ellipsis", ""},
    {"exclamationmark.circle", ""},
    {"exclamationmark.triangle", ""},
    {"exclamationmark.triangle.fill", "dialog-warning"},
    {"externaldrive", "drive-removable-media"},
    {"externaldrive.badge.checkmark", ""},
    {"externaldrive.badge.plus", ""},
    {"externaldrive.fill.badge.checkmark", ""},
    {"film", "video-x-generic"},
    {"film.stack", ""},
    {"folder", "folder"},
    {"folder.badge.gearshape", ""},
    {"info.circle", ""},
    {"internaldrive", "drive-harddisk"},
    {"line.3.horizontal.decrease.circle", ""},
    {"lock.shield", ""},
    {"magnifyingglass", "edit-find"},
    {"minus.circle", ""},
    {"network", "network-server"},
    {"pause.circle", "media-playback-pause"},
    {"play.rectangle", "media-playback-start"},
    {"puzzlepiece.extension", ""},
    {"questionmark.circle", "help-about"},
    {"questionmark.circle.fill", ""},
    {"questionmark.folder", ""},
    {"sidebar.trailing", ""},
    {"square.grid.2x2", ""},
    {"square.on.square", ""},
    {"star", "non-starred"},
    {"star.fill", "starred"},
    {"star.square", ""},
    {"stop.circle", "media-playback-stop"},
    {"tag", ""},
    {"tag.fill", ""},
    {"text.magnifyingglass", ""},
    {"trash", "user-trash"},
    {"tray.full", ""},
    {"xmark.circle", "window-close"},
    {"xmark.octagon.fill", ""},
};

const Entry* find(const QString& symbol) {
    for (const Entry& entry : kTable) {
        if (symbol == QLatin1String(entry.symbol))
            return &entry;
    }
    return nullptr;
}

} // namespace

QString themeName(const QString& symbol) {
    const Entry* entry = find(symbol);
    return entry ? QString::fromLatin1(entry->theme) : QString();
}

QString fallbackPath(const QString& symbol) {
    return QStringLiteral(":/icons/") + symbol + QStringLiteral(".svg");
}

QStringList symbols() {
    QStringList names;
    for (const Entry& entry : kTable)
        names.append(QString::fromLatin1(entry.symbol));
    return names;
}

QIcon icon(const QString& symbol) {
    const Entry* entry = find(symbol);
    if (!entry)
        return {};
    const QIcon own(fallbackPath(symbol));
    const QString theme = QString::fromLatin1(entry->theme);
    if (theme.isEmpty())
        return own;
    return QIcon::fromTheme(theme, own);
}

QPixmap tinted(const QString& symbol, const QSize& size, const QColor& color, qreal devicePixelRatio) {
    if (!find(symbol) || size.isEmpty())
        return {};
    const QString key = QStringLiteral("pellimor-icon:%1:%2x%3:%4:%5")
                            .arg(symbol)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(color.name(QColor::HexArgb))
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;

    pixmap = icon(symbol).pixmap(size, devicePixelRatio);
    if (pixmap.isNull())
        return pixmap;
    // Keep the picture's shape (its alpha) and paint it all in the one colour.
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), color);
    painter.end();
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace pellimor::Icons
