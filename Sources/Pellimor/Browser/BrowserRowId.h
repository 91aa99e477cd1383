#pragma once

#include "Browser/SearchArea.h"

#include <QString>

// The library browser's row identifiers. "|" separates the parts and is never escaped, so a
// library whose path holds "|" cannot be told from its rows by cutting: BrowserTree::library
// finds a row's library by matching whole catalogued paths. Plain functions; any thread.
namespace pellimor::BrowserRowId {

// The library's path.
QString library(const QString& path);
// path + "|" + event name.
QString event(const QString& path, const QString& eventName);
// event id + "|" + project name.
QString project(const QString& eventId, const QString& projectName);
// event id + "|#" + the area's raw value + "|" + the hit's text.
QString hit(const QString& eventId, SearchArea area, const QString& text);
// event id + "|#more|" + the area's raw value.
QString more(const QString& eventId, SearchArea area);

} // namespace pellimor::BrowserRowId
