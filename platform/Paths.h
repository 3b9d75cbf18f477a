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

// The longest name (one path component) a file system takes, in bytes.
constexpr unsigned MaxNameLength = 255;

}  // namespace platform
