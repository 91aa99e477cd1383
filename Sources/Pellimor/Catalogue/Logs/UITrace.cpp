#include "Catalogue/Logs/UITrace.h"

namespace pellimor {

UITrace& UITrace::shared() {
    static UITrace instance;
    return instance;
}

QString UITrace::snapshot() const {
    std::lock_guard lock(m_lock);
    return QStringLiteral("queryLen=") + QString::number(m_fields.queryLen) + QStringLiteral(" libraries=") +
           QString::number(m_fields.libraries) + QStringLiteral(" events=") +
           QString::number(m_fields.events) + QStringLiteral(" projects=") +
           QString::number(m_fields.projects) + QStringLiteral(" tab=") + m_fields.tab +
           QStringLiteral(" sidebar=") + m_fields.sidebar + QStringLiteral(" scanning=") +
           (m_fields.scanning ? QStringLiteral("true") : QStringLiteral("false"));
}

QString UITrace::searchCounts() const {
    std::lock_guard lock(m_lock);
    return QStringLiteral("libraries=") + QString::number(m_fields.libraries) + QStringLiteral(" events=") +
           QString::number(m_fields.events) + QStringLiteral(" projects=") +
           QString::number(m_fields.projects);
}

} // namespace pellimor
