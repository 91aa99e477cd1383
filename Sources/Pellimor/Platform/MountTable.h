#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

// Reading the kernel's mount table (/proc/self/mountinfo), one line per mount:
// "id parent major:minor root mount-point options ...". The id is the one statx gives as
// STATX_MNT_ID, so the mount an open item lies on can be found without trusting any path the
// item was reached by. Safe from any thread; no state.
namespace pellimor::MountTable {

// mountinfo writes space, tab, newline and backslash in its fields as "\ooo" octal escapes;
// the field as the file system's bytes.
QByteArray unescapeField(const QByteArray& field);

// Where the mount `mountId` is mounted (its mount point, unescaped), as listed in `mountinfo`;
// nothing when the table does not list it.
std::optional<QByteArray> mountPointOf(const QByteArray& mountinfo, std::uint64_t mountId);

// The same, read from this process's own table.
std::optional<QByteArray> mountPointOf(std::uint64_t mountId);

} // namespace pellimor::MountTable
