#pragma once

namespace pellimor {

// Whether a plug-in is installed on this computer. The check of one identifier answers
// installed, missing or unverified; partial belongs to a whole pack (some of its items
// missing, the others installed or undecided). Unverified means the program cannot tell, and
// is never counted as missing.
enum class PluginStatus { installed, missing, unverified, partial };

// Where a status goes in every plug-in list, most urgent first: missing 0, partial 1,
// unverified 2, installed 3 (not the order of the cases).
int statusRank(PluginStatus status);

} // namespace pellimor
