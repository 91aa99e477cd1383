#pragma once

#include "Catalogue/Store/Catalog.h"

#include <QObject>
#include <QString>
#include <memory>

namespace pellimor::test {

// Counts each time the catalogue is asked to read the library `name` again, by the status each
// request shows at once ("Refreshing <name>…"). The status is cleared after each, so a second
// request for the same library counts as well. The catalogue must outlive the counter. Main
// thread only.
//
//   const test::RereadCounter rereads(catalog, QStringLiteral("Film"));
//   ...
//   EXPECT_EQ(rereads.count(), 1);
class RereadCounter {
public:
    RereadCounter(Catalog& catalog, const QString& name) : m_count(std::make_shared<int>(0)) {
        const QString status = QStringLiteral("Refreshing ") + name + QStringLiteral("…");
        Catalog* const watched = &catalog;
        m_connection =
            QObject::connect(watched, &Catalog::statusChanged, watched, [watched, status, count = m_count] {
                if (watched->status() == status) {
                    ++*count;
                    watched->setStatus(QString());
                }
            });
    }
    ~RereadCounter() { QObject::disconnect(m_connection); }
    RereadCounter(const RereadCounter&) = delete;
    RereadCounter& operator=(const RereadCounter&) = delete;

    int count() const { return *m_count; }

private:
    std::shared_ptr<int> m_count;
    QMetaObject::Connection m_connection;
};

} // namespace pellimor::test
