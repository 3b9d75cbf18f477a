#pragma once
// The sizes a text file takes when it is sent in text mode: every bare LF goes
// as CR LF, and a receiver may keep what was sent or turn each CR LF into LF.

#include <cstdint>
#include <string>

struct TextFileSizes {
    uint64_t Size = 0;       // as the file is
    uint64_t AsSent = 0;     // every bare LF as CR LF
    uint64_t WithoutCr = 0;  // every CR LF as LF
};

// Reads the file at path (a local path) through; false when it cannot be read.
bool MeasureTextFile(const std::string& path, TextFileSizes& sizes);
