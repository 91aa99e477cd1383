#include "MissingFiles/Match.h"

namespace pellimor::MissingFiles {

QString Match::label() const {
    switch (kind) {
    case Kind::sameEventInLibrary:
        return QStringLiteral("Same event and name in library");
    case Kind::sameFolderOtherAccount:
        return QStringLiteral("Same folder, other account");
    case Kind::sameFoldersOtherDrive:
        return QStringLiteral("Same folders, other drive");
    case Kind::nameOnly:
        return QStringLiteral("Same name only — check");
    case Kind::chosenByUser:
        return QStringLiteral("Chosen by you");
    case Kind::copiesAgree:
        return QStringLiteral("Same name, ") + QString::number(count) + QStringLiteral(" copies agree");
    case Kind::unclear:
        return QStringLiteral("Unclear: ") + QString::number(count) + QStringLiteral(" different files");
    }
    return {};
}

bool Match::isStrong() const {
    switch (kind) {
    case Kind::sameEventInLibrary:
    case Kind::sameFolderOtherAccount:
    case Kind::sameFoldersOtherDrive:
    case Kind::chosenByUser:
        return true;
    case Kind::nameOnly:
    case Kind::copiesAgree:
    case Kind::unclear:
        return false;
    }
    return false;
}

} // namespace pellimor::MissingFiles
