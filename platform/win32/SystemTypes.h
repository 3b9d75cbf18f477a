#pragma once
// Conversions between the platform layer's records and the Windows ones.

#include <windows.h>

#include "platform/FindData.h"

namespace platform::win32 {

inline FILETIME ToSystem(const FileTime& time) {
    FILETIME result;
    result.dwLowDateTime = time.Low;
    result.dwHighDateTime = time.High;
    return result;
}

inline FileTime FromSystem(const FILETIME& time) {
    return FileTime{time.dwLowDateTime, time.dwHighDateTime};
}

inline FindData FromSystem(const WIN32_FIND_DATAA& record) {
    FindData data;
    data.Attributes = record.dwFileAttributes;
    data.CreationTime = FromSystem(record.ftCreationTime);
    data.LastAccessTime = FromSystem(record.ftLastAccessTime);
    data.LastWriteTime = FromSystem(record.ftLastWriteTime);
    data.SizeHigh = record.nFileSizeHigh;
    data.SizeLow = record.nFileSizeLow;
    data.Name = std::string(record.cFileName, strnlen(record.cFileName, MAX_PATH));
    return data;
}

}  // namespace platform::win32
