#pragma once

// Readable failure messages for Qt values in GoogleTest: without these, a QString prints as
// its raw bytes. Found by argument-dependent lookup, so including this header is enough.

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << "QByteArray(" << bytes.size() << " bytes: " << bytes.left(64).toHex().toStdString()
        << (bytes.size() > 64 ? "...)" : ")");
}

inline void PrintTo(const QDateTime& time, std::ostream* os) {
    *os << (time.isValid() ? time.toString(Qt::ISODateWithMs).toStdString() : std::string("(invalid date)"));
}

inline void PrintTo(const QVariant& value, std::ostream* os) {
    const QJsonValue json = QJsonValue::fromVariant(value);
    if (json.isObject())
        *os << QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact).toStdString();
    else if (json.isArray())
        *os << QJsonDocument(json.toArray()).toJson(QJsonDocument::Compact).toStdString();
    else
        *os << (value.isValid() ? value.typeName() : "invalid") << ":" << value.toString().toStdString();
}
