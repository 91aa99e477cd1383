#include "Plugins/PluginSort.h"

#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor {

namespace {

template <typename T> int order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compare(PluginSort::Field field, const PNode& a, const PNode& b) {
    using Field = PluginSort::Field;
    switch (field) {
    case Field::rank:
        return order(a.rank(), b.rank());
    case Field::name:
        return TextCompare::localizedStandard(a.name, b.name);
    case Field::kind:
        return TextCompare::localizedStandard(a.kind, b.kind);
    case Field::libraries:
        return order(a.libraries, b.libraries);
    case Field::projects:
        return order(a.projects, b.projects);
    case Field::uses:
        return order(a.uses, b.uses);
    }
    return 0;
}

} // namespace

PluginSort PluginSort::clicked(Field field) const {
    PluginSort next;
    next.keys.clear();
    Key first{field, true};
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].field == field) {
            first.ascending = i == 0 ? !keys[i].ascending : keys[i].ascending;
            break;
        }
    }
    next.keys.append(first);
    for (const Key& key : keys) {
        if (key.field != field)
            next.keys.append(key);
    }
    return next;
}

bool PluginSort::less(const PNode& a, const PNode& b) const {
    for (const Key& key : keys) {
        const int c = compare(key.field, a, b);
        if (c != 0)
            return key.ascending ? c < 0 : c > 0;
    }
    return false;
}

void PluginSort::sort(QList<PNode>& rows) const {
    std::stable_sort(rows.begin(), rows.end(), [this](const PNode& a, const PNode& b) { return less(a, b); });
}

} // namespace pellimor
