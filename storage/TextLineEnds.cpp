#include "storage/TextLineEnds.h"

#include <fstream>
#include <vector>

bool MeasureTextFile(const std::string& path, TextFileSizes& sizes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    uint64_t size = 0, bareLineEnds = 0, crLfs = 0;
    char previous = 0;
    std::vector<char> block(64 * 1024);
    while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) {
        const std::streamsize got = in.gcount();
        size += uint64_t(got);
        for (std::streamsize i = 0; i < got; ++i) {
            if (block[i] == '\n') ++(previous == '\r' ? crLfs : bareLineEnds);
            previous = block[i];
        }
    }
    if (in.bad()) return false;
    sizes.Size = size;
    sizes.AsSent = size + bareLineEnds;
    sizes.WithoutCr = size - crLfs;
    return true;
}
