#pragma once

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <limits>

class QAbstractItemModel;
class QAbstractItemView;
class QHeaderView;

namespace pellimor {

// Sizes a table's (or tree's) visible columns to their content and the width there is, and
// keeps doing so as things change. It becomes a child of the view it fits and lives as long.
//
// The caller gives the widest content of each column by header title (ColumnWidths measures
// it) and each column's minimum and maximum from its column descriptors. Columns whose title
// has no content are sized by their header. The arithmetic is ColumnFit's; the inset is what
// the view's delegate adds around a cell's text (with a tree's indentation), the header width
// the section's own size from its contents.
//
// A fit runs 0.1 s (on the platform clock) after the first of any of these, however many
// follow meanwhile: the view shown; a content map that differs; the viewport or the header
// resized; a section moved, shown or hidden; rows or columns coming or going. While a header
// section is pressed nothing is fitted or scheduled, and a column the user drags is held
// within its limits (a header has one minimum for all its sections, so the fitter lowers it
// to the smallest and clamps). A fit whose inputs did not change since the last one writes
// nothing, so the user's own widths stay until something changes. A view that is not shown,
// or shows no row or no column, is not fitted.
//
// Main thread only.
class ColumnAutoFit final : public QObject {
    Q_OBJECT
public:
    struct Limits {
        double minimum = 0;
        double maximum = std::numeric_limits<double>::max(); // a minimum above it wins
    };

    explicit ColumnAutoFit(QAbstractItemView* view);

    // The widest content of each column, by its exact header title.
    void setContent(const QHash<QString, double>& content);
    // Each column's limits by logical index. Columns without an entry keep the header's own
    // minimum and have no maximum.
    void setLimits(const QList<Limits>& limits);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void fit();
    void watchModel();
    void sectionResized(int logical, int oldSize, int newSize);
    Limits limits(int logical) const;

    QPointer<QAbstractItemView> m_view;
    QPointer<QHeaderView> m_header;
    // What the event filter watches, compared as plain objects: events still arrive while the
    // view is being destroyed, when it is no longer a view.
    const QObject* m_viewObject = nullptr;
    const QObject* m_viewportObject = nullptr;
    const QObject* m_headerObject = nullptr;
    const QObject* m_headerViewportObject = nullptr;
    QPointer<QAbstractItemModel> m_model;
    QList<QMetaObject::Connection> m_modelConnections;
    QHash<QString, double> m_content;
    QList<Limits> m_limits;
    int m_headerMinimum = 0; // the header's minimum before any limits were given
    bool m_queued = false;
    bool m_pressed = false;
    bool m_writing = false;
    QList<qint64> m_lastFit;
};

} // namespace pellimor
