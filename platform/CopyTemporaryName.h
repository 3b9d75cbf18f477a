#pragma once
// The form of the temporary names that CopyFileOver gives its copies in
// progress: CopyTemporaryHead followed by CopyTemporaryTail letters or digits
// (IsCopyTemporaryName in FileCopy.h recognises them). Shared by every platform's
// copy, so that a leftover of one build is recognised by another.

#include <cstddef>

namespace platform {

inline constexpr char CopyTemporaryHead[] = ".velcopy-";
inline constexpr size_t CopyTemporaryTail = 6;

}  // namespace platform
