#pragma once
// The path separator every path the engine forms uses: "\" on Windows, "/" on
// POSIX.

namespace platform {

#ifdef _WIN32
constexpr char PathSeparator = '\\';
constexpr const char* PathSeparatorText = "\\";
#else
constexpr char PathSeparator = '/';
constexpr const char* PathSeparatorText = "/";
#endif

}  // namespace platform
