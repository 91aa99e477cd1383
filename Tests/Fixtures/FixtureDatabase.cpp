#include "Tests/Fixtures/FixtureDatabase.h"

#include "Tests/Fixtures/FixtureFiles.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <stdexcept>

namespace pellimor::fixtures {

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw std::runtime_error(
        QStringLiteral("could not write the database %1: %2").arg(path, reason).toStdString());
}

class Connection {
public:
    explicit Connection(const QString& path) : m_path(path) {
        // A plain file name, never a URI: "?" and "#" in a path are part of the name here.
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK)
            fail(path, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)));
        // A fixture is thrown away with its test, so nothing waits for the disk: the file's
        // bytes are the same either way, and the benchmarks' trees of thousands of libraries
        // are written two to three times faster. Should the setting not take, the database is
        // written as before, only slower.
        sqlite3_exec(m_db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    }
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const QString text = QString::fromUtf8(message ? message : "unknown error");
            sqlite3_free(message);
            fail(m_path, text);
        }
    }

    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            fail(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)));
        return statement;
    }

    void step(sqlite3_stmt* statement) {
        if (sqlite3_step(statement) != SQLITE_DONE) {
            const QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_finalize(statement);
            fail(m_path, text);
        }
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }

private:
    QString m_path;
    sqlite3* m_db = nullptr;
};

void bindText(sqlite3_stmt* statement, int index, const std::optional<QString>& text) {
    if (!text) {
        sqlite3_bind_null(statement, index);
        return;
    }
    const QByteArray utf8 = text->toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void writeRows(const QString& path, const std::vector<CollectionRow>& rows) {
    Connection db(path);
    db.exec(
        "CREATE TABLE ZCOLLECTION (Z_PK INTEGER PRIMARY KEY, ZTYPE VARCHAR, ZIDENTIFIER VARCHAR);"
        "CREATE TABLE ZCOLLECTIONMD (Z_PK INTEGER PRIMARY KEY, ZCOLLECTION INTEGER, ZDICTIONARYDATA BLOB);"
        "CREATE INDEX ZCOLLECTION_ZTYPE_INDEX ON ZCOLLECTION (ZTYPE);"
        "CREATE INDEX ZCOLLECTIONMD_ZCOLLECTION_INDEX ON ZCOLLECTIONMD (ZCOLLECTION);"
        "BEGIN;");
    sqlite3_stmt* collection =
        db.prepare("INSERT INTO ZCOLLECTION (Z_PK, ZTYPE, ZIDENTIFIER) VALUES (?, ?, ?)");
    sqlite3_stmt* metadata =
        db.prepare("INSERT INTO ZCOLLECTIONMD (Z_PK, ZCOLLECTION, ZDICTIONARYDATA) VALUES (?, ?, ?)");
    qint64 key = 0;
    qint64 metadataKey = 0;
    try {
        for (const CollectionRow& row : rows) {
            ++key;
            sqlite3_bind_int64(collection, 1, key);
            bindText(collection, 2, row.type);
            bindText(collection, 3, row.identifier);
            db.step(collection);
            const std::optional<QByteArray> blob = row.blob();
            if (!blob)
                continue;
            sqlite3_bind_int64(metadata, 1, ++metadataKey);
            sqlite3_bind_int64(metadata, 2, key);
            if (blob->isNull())
                sqlite3_bind_null(metadata, 3);
            else
                sqlite3_bind_blob(metadata, 3, blob->constData(), int(blob->size()), SQLITE_TRANSIENT);
            db.step(metadata);
        }
    } catch (...) {
        sqlite3_finalize(collection);
        sqlite3_finalize(metadata);
        throw;
    }
    sqlite3_finalize(collection);
    sqlite3_finalize(metadata);
    db.exec("COMMIT;");
}

} // namespace

void FixtureDatabase::write(const QString& path) const {
    QFile::remove(path);
    FixtureFiles::makeFolder(QFileInfo(path).absolutePath());
    switch (damage) {
    case Damage::Missing:
        return;
    case Damage::NotSQLite:
        FixtureFiles::writeBytes(path, garbage.isEmpty() ? QByteArray("this is not a database\n") : garbage);
        break;
    case Damage::Empty:
        FixtureFiles::writeBytes(path, QByteArray(""));
        break;
    case Damage::NoTables: {
        Connection db(path);
        db.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
                "INSERT INTO notes (body) VALUES ('not a library');");
        break;
    }
    case Damage::None:
        writeRows(path, rows);
        break;
    case Damage::Truncated: {
        writeRows(path, rows);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            fail(path, file.errorString());
        const QByteArray head = file.read(1024);
        file.close();
        FixtureFiles::writeBytes(path, head);
        break;
    }
    }
    if (modified)
        FixtureFiles::setModified(path, *modified);
}

} // namespace pellimor::fixtures
