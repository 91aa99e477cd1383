#include "Support/QuotedList.h"

namespace pellimor {

QString quotedList(const QStringList& items) {
    QStringList quoted;
    quoted.reserve(items.size());
    for (const QString& item : items)
        quoted.append(u'"' + item + u'"');
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

} // namespace pellimor
