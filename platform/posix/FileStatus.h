#pragma once
// Internal to the POSIX layer: a file's status turned into find-record fields and
// attribute bits, the same way for listings and for attribute reads.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/FindData.h"

namespace platform::posix {

// Attribute bits of a status and a name: Directory, ReadOnly when the owner may
// not write, Hidden for a leading dot (not "." or ".."), Device when the status
// is neither of a regular file nor of a folder (also the status of a link that
// could not be followed), ReparsePoint when `isLink`, and Normal when none of
// these applies.
uint32_t AttributesOf(const struct stat& info, const std::string& name, bool isLink);

// Fills everything but the name, which must already be in `record`.
void FillFindData(const struct stat& info, bool isLink, FindData& record);

// True when the status is of a regular file whose owner may not write it: the
// read-only state that deleting, renaming onto and overwriting respect.
bool IsReadOnlyFile(const struct stat& info);

}  // namespace platform::posix
