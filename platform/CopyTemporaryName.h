#pragma once
// The form of the temporary names that CopyFileOver gives its copies in
// progress: CopyTemporaryHead followed by CopyTemporaryTail letters or digits
// (IsCopyTemporaryName in FileCopy.h recognises them). Shared by every platform's
// copy, so that a leftover of one build is recognised by another.

#include <cstddef>
#include <string>

namespace platform {

inline constexpr char CopyTemporaryHead[] = ".velcopy-";
inline constexpr size_t CopyTemporaryTail = 6;

// A new name of that form, its letters differing from call to call and from
// process to process (not claimed: the caller makes the file and tries another
// name when one is taken).
std::string NewCopyTemporaryName();

}  // namespace platform
