#pragma once

#include "MissingFiles/Match.h"

#include <QString>
#include <optional>

namespace pellimor::MissingFiles {

// The file proposed for one broken link, and how it was judged. A match without a path says
// why nothing is proposed (several different files).
struct Candidate {
    std::optional<QString> path;
    std::optional<Match> match;

    bool operator==(const Candidate&) const = default;
};

} // namespace pellimor::MissingFiles
