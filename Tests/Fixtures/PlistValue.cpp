#include "Tests/Fixtures/PlistValue.h"

namespace pellimor::fixtures {

namespace {

// 2001-01-01 00:00:00 UTC in seconds since 1970.
constexpr qint64 kEpoch2001 = 978307200;

} // namespace

PlistValue::PlistValue(bool value) : kind(Kind::Bool), boolValue(value) {}
PlistValue::PlistValue(double value) : kind(Kind::Real), doubleValue(value) {}
PlistValue::PlistValue(const char* text) : kind(Kind::Text), textValue(QString::fromUtf8(text)) {}
PlistValue::PlistValue(const QString& text) : kind(Kind::Text), textValue(text) {}
PlistValue::PlistValue(const QByteArray& data) : kind(Kind::Data), dataValue(data) {}

PlistValue PlistValue::mutableText(const QString& value) {
    PlistValue v(value);
    v.mutableForm = true;
    return v;
}

PlistValue PlistValue::mutableData(const QByteArray& value) {
    PlistValue v(value);
    v.mutableForm = true;
    return v;
}

PlistValue PlistValue::date(double seconds) {
    PlistValue v;
    v.kind = Kind::Date;
    v.doubleValue = seconds;
    return v;
}

PlistValue PlistValue::date(const QDateTime& when) {
    return date(secondsSince2001(when));
}

PlistValue PlistValue::array(std::vector<PlistValue> items) {
    PlistValue v;
    v.kind = Kind::Array;
    v.items = std::move(items);
    return v;
}

PlistValue PlistValue::strings(const QStringList& texts) {
    std::vector<PlistValue> items;
    items.reserve(texts.size());
    for (const QString& text : texts)
        items.emplace_back(text);
    return array(std::move(items));
}

PlistValue PlistValue::set(std::vector<PlistValue> items) {
    PlistValue v = array(std::move(items));
    v.kind = Kind::Set;
    return v;
}

PlistValue PlistValue::dict(std::vector<std::pair<PlistValue, PlistValue>> entries) {
    PlistValue v;
    v.kind = Kind::Dictionary;
    v.entries = std::move(entries);
    return v;
}

PlistValue PlistValue::url(const QString& relative) {
    PlistValue v;
    v.kind = Kind::Url;
    v.textValue = relative;
    return v;
}

PlistValue PlistValue::url(const QString& relative, const PlistValue& base) {
    PlistValue v = url(relative);
    v.items.push_back(base);
    return v;
}

PlistValue PlistValue::object(const QString& className, std::vector<std::pair<QString, PlistValue>> fields) {
    PlistValue v;
    v.kind = Kind::Object;
    v.className = className;
    v.fields = std::move(fields);
    return v;
}

PlistValue PlistValue::uid(qint64 index) {
    PlistValue v;
    v.kind = Kind::Uid;
    v.intValue = index;
    return v;
}

PlistValue PlistValue::raw(const PlistValue& plain) {
    PlistValue v;
    v.kind = Kind::Raw;
    v.items.push_back(plain);
    return v;
}

PlistValue PlistValue::withClass(const QString& name, const QStringList& superclassChain) const {
    PlistValue v = *this;
    v.className = name;
    v.superclasses = superclassChain;
    return v;
}

PlistValue PlistValue::with(const QString& key, const PlistValue& value) const {
    PlistValue v = *this;
    if (v.kind == Kind::Object)
        v.fields.emplace_back(key, value);
    else
        v.entries.emplace_back(PlistValue(key), value);
    return v;
}

double PlistValue::secondsSince2001(const QDateTime& when) {
    return double(when.toMSecsSinceEpoch() - kEpoch2001 * 1000) / 1000.0;
}

} // namespace pellimor::fixtures
