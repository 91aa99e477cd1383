#include "Browser/BrowserRowId.h"

namespace pellimor::BrowserRowId {

QString library(const QString& path) {
    return path;
}

QString event(const QString& path, const QString& eventName) {
    return path + u'|' + eventName;
}

QString project(const QString& eventId, const QString& projectName) {
    return eventId + u'|' + projectName;
}

QString hit(const QString& eventId, SearchArea area, const QString& text) {
    return eventId + QStringLiteral("|#") + rawValue(area) + u'|' + text;
}

QString more(const QString& eventId, SearchArea area) {
    return eventId + QStringLiteral("|#more|") + rawValue(area);
}

} // namespace pellimor::BrowserRowId
