#pragma once

#include <QString>
#include <QStringList>

namespace pellimor {

// Texts as a list is written out in a report line: ["a", "b"], each item in straight double
// quotes as it is (no escaping), "[]" for none. Safe from any thread.
QString quotedList(const QStringList& items);

} // namespace pellimor
