#include "Support/PathText.h"

#include <QDir>

namespace pellimor::PathText {

QString lastComponent(QStringView path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1).toString();
}

bool isAtOrBelow(QStringView path, QStringView folder) {
    if (path == folder)
        return true;
    if (!path.startsWith(folder))
        return false;
    // "/" and "/Volumes/" already end at a component boundary.
    return folder.endsWith(u'/') || (path.size() > folder.size() && path.at(folder.size()) == u'/');
}

QString childPath(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString absoluteCleanPath(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString extension(QStringView name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1).toString();
}

QString withoutExtension(QStringView name) {
    const QString dropped = extension(name);
    return name.chopped(dropped.isEmpty() ? 0 : dropped.size() + 1).toString();
}

} // namespace pellimor::PathText
