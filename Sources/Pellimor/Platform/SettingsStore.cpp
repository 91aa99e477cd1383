#include "Platform/SettingsStore.h"

#include "Support/AtomicFile.h"
#include "Support/KeptAside.h"
#include "Support/RegularFile.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>
#include <utility>

namespace pellimor::platform {

namespace {

// Each entry is stored as {"type": ..., "value": ...}; dates as ISO 8601 with milliseconds,
// data as base64. Entries that do not decode are dropped, the rest of the file is kept.
const QString kType = QStringLiteral("type");
const QString kValue = QStringLiteral("value");

QString typeName(SettingsStore::Type t) {
    switch (t) {
    case SettingsStore::Type::Flag:
        return QStringLiteral("flag");
    case SettingsStore::Type::Integer:
        return QStringLiteral("integer");
    case SettingsStore::Type::Double:
        return QStringLiteral("double");
    case SettingsStore::Type::Text:
        return QStringLiteral("text");
    case SettingsStore::Type::Date:
        return QStringLiteral("date");
    case SettingsStore::Type::Data:
        return QStringLiteral("data");
    }
    return {};
}

std::optional<SettingsStore::Value> decodeEntry(const QJsonValue& json) {
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject o = json.toObject();
    const QString t = o.value(kType).toString();
    const QJsonValue v = o.value(kValue);
    using T = SettingsStore::Type;
    if (t == QLatin1String("flag") && v.isBool())
        return SettingsStore::Value{T::Flag, v.toBool()};
    if (t == QLatin1String("integer") && v.isDouble()) {
        const QVariant n = v.toVariant();
        bool ok = false;
        const qint64 i = n.toLongLong(&ok);
        if (ok && n.typeId() != QMetaType::Double)
            return SettingsStore::Value{T::Integer, i};
        return std::nullopt;
    }
    if (t == QLatin1String("double") && v.isDouble())
        return SettingsStore::Value{T::Double, v.toDouble()};
    if (t == QLatin1String("text") && v.isString())
        return SettingsStore::Value{T::Text, v.toString()};
    if (t == QLatin1String("date") && v.isString()) {
        QDateTime d = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        if (!d.isValid())
            return std::nullopt;
        return SettingsStore::Value{T::Date, d.toUTC()};
    }
    if (t == QLatin1String("data") && v.isString())
        return SettingsStore::Value{T::Data, QByteArray::fromBase64(v.toString().toLatin1())};
    return std::nullopt;
}

QJsonValue encodeValue(const SettingsStore::Value& v) {
    using T = SettingsStore::Type;
    switch (v.type) {
    case T::Flag:
        return v.value.toBool();
    case T::Integer:
        return QJsonValue(v.value.toLongLong());
    case T::Double:
        return v.value.toDouble();
    case T::Text:
        return v.value.toString();
    case T::Date:
        return v.value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
    case T::Data:
        return QString::fromLatin1(v.value.toByteArray().toBase64());
    }
    return {};
}

} // namespace

SettingsStore::SettingsStore(QString file, QObject* parent) : QObject(parent), m_file(std::move(file)) {
    std::vector<ProblemReporter::Problem> problems;
    {
        std::lock_guard lock(m_mutex);
        loadLocked(problems);
    }
    report(problems);
}

void SettingsStore::loadLocked(std::vector<ProblemReporter::Problem>& problems) {
    if (m_file.isEmpty())
        return;
    // Only a regular file is read: a pipe at that name would hold the start for good.
    const RegularFile::Contents read = RegularFile::read(m_file);
    if (read.status == RegularFile::Status::missing)
        return;
    QString why = read.reason;
    if (read.status == RegularFile::Status::ok) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(read.bytes, &error);
        if (error.error != QJsonParseError::NoError) {
            why = QStringLiteral("malformed JSON at byte %1: %2").arg(error.offset).arg(error.errorString());
        } else if (!doc.isObject()) {
            why = QStringLiteral("it holds no JSON object");
        } else {
            const QJsonObject root = doc.object();
            for (auto it = root.begin(); it != root.end(); ++it) {
                if (auto v = decodeEntry(it.value()))
                    m_values.insert(it.key(), *v);
            }
            return;
        }
    }
    // The first change would save only the defaults and the change over it: the file goes
    // aside first, where the user (or support) can still recover it.
    const QString couldNotRead = QStringLiteral("The settings file could not be read, so the settings start "
                                                "from their defaults");
    if (const std::optional<QString> kept = KeptAside::move(m_file)) {
        problems.push_back({ProblemReporter::Level::warn, QStringLiteral("settings"),
                            couldNotRead + QStringLiteral("; it has been kept aside. Reason: ") + why,
                            *kept});
        return;
    }
    m_unreadableInPlace = true;
    problems.push_back({ProblemReporter::Level::warn, QStringLiteral("settings"),
                        couldNotRead +
                            QStringLiteral("; it could not be moved aside either, so nothing is saved over "
                                           "it. Reason: ") +
                            why,
                        m_file});
}

std::optional<QString> SettingsStore::saveLocked(std::vector<ProblemReporter::Problem>& problems) {
    if (m_file.isEmpty())
        return std::nullopt;
    if (m_unreadableInPlace) {
        // Whatever blocked the move at the start may have gone away since.
        if (const std::optional<QString> kept = KeptAside::move(m_file)) {
            m_unreadableInPlace = false;
            problems.push_back(
                {ProblemReporter::Level::warn, QStringLiteral("settings"),
                 QStringLiteral("The settings file that could not be read has been kept aside."), *kept});
        } else if (QFileInfo::exists(m_file) || QFileInfo(m_file).isSymLink()) {
            const bool wasFailing = std::exchange(m_saveFailing, true);
            if (wasFailing)
                return std::nullopt;
            return QStringLiteral(
                "The settings file that could not be read could not be moved aside, so nothing "
                "is saved over it.");
        } else {
            // Someone moved or removed it meanwhile; there is nothing left to protect.
            m_unreadableInPlace = false;
        }
    }
    QJsonObject root;
    for (auto it = m_values.begin(); it != m_values.end(); ++it) {
        QJsonObject entry;
        entry.insert(kType, typeName(it.value().type));
        entry.insert(kValue, encodeValue(it.value()));
        root.insert(it.key(), entry);
    }
    const Result<void> written =
        AtomicFile::write(m_file, QJsonDocument(root).toJson(QJsonDocument::Indented));
    const bool wasFailing = std::exchange(m_saveFailing, !written.ok());
    if (written.ok() || wasFailing)
        return std::nullopt;
    return written.error();
}

void SettingsStore::report(const std::vector<ProblemReporter::Problem>& problems,
                           const std::optional<QString>& saveFailure) {
    for (const ProblemReporter::Problem& problem : problems)
        ProblemReporter::report(problem);
    if (!saveFailure)
        return;
    ProblemReporter::report(
        {ProblemReporter::Level::error, QStringLiteral("settings"),
         QStringLiteral("The settings could not be saved; changes stay in effect until the "
                        "program quits. ") +
             *saveFailure,
         std::nullopt});
}

std::optional<SettingsStore::Value> SettingsStore::value(const QString& key) const {
    std::lock_guard lock(m_mutex);
    auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return std::nullopt;
    return *it;
}

bool SettingsStore::contains(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return m_values.contains(key);
}

bool SettingsStore::holds(const QString& key, Type type) const {
    const auto v = value(key);
    return v && v->type == type;
}

bool SettingsStore::flag(const QString& key, bool defaultValue) const {
    const auto v = value(key);
    return v && v->type == Type::Flag ? v->value.toBool() : defaultValue;
}

qint64 SettingsStore::integer(const QString& key, qint64 defaultValue) const {
    const auto v = value(key);
    return v && v->type == Type::Integer ? v->value.toLongLong() : defaultValue;
}

double SettingsStore::number(const QString& key, double defaultValue) const {
    const auto v = value(key);
    if (v && v->type == Type::Double)
        return v->value.toDouble();
    if (v && v->type == Type::Integer)
        return double(v->value.toLongLong());
    return defaultValue;
}

QString SettingsStore::text(const QString& key, const QString& defaultValue) const {
    const auto v = value(key);
    return v && v->type == Type::Text ? v->value.toString() : defaultValue;
}

std::optional<QDateTime> SettingsStore::date(const QString& key) const {
    const auto v = value(key);
    if (v && v->type == Type::Date)
        return v->value.toDateTime();
    return std::nullopt;
}

std::optional<QByteArray> SettingsStore::data(const QString& key) const {
    const auto v = value(key);
    if (v && v->type == Type::Data)
        return v->value.toByteArray();
    return std::nullopt;
}

void SettingsStore::setFlag(const QString& key, bool v) {
    set(key, {Type::Flag, v});
}
void SettingsStore::setInteger(const QString& key, qint64 v) {
    set(key, {Type::Integer, v});
}
void SettingsStore::setNumber(const QString& key, double v) {
    // JSON has no form for a value that is not finite; such a value is not stored.
    if (!std::isfinite(v))
        return;
    set(key, {Type::Double, v});
}
void SettingsStore::setText(const QString& key, const QString& v) {
    set(key, {Type::Text, v});
}
void SettingsStore::setDate(const QString& key, const QDateTime& v) {
    set(key, {Type::Date, v.toUTC()});
}
void SettingsStore::setData(const QString& key, const QByteArray& v) {
    set(key, {Type::Data, v});
}

void SettingsStore::set(const QString& key, Value v) {
    std::vector<ProblemReporter::Problem> problems;
    std::optional<QString> failure;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_values.find(key);
        if (it != m_values.end() && *it == v)
            return;
        m_values.insert(key, std::move(v));
        failure = saveLocked(problems);
    }
    report(problems, failure);
    Q_EMIT changed(key);
}

void SettingsStore::remove(const QString& key) {
    std::vector<ProblemReporter::Problem> problems;
    std::optional<QString> failure;
    {
        std::lock_guard lock(m_mutex);
        if (!m_values.remove(key))
            return;
        failure = saveLocked(problems);
    }
    report(problems, failure);
    Q_EMIT changed(key);
}

} // namespace pellimor::platform
