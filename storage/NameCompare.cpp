#include "storage/NameCompare.h"

#include <cstdint>

#include "storage/CaseFolding.h"

namespace {

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not valid.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) return 1;
    size_t length;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    char32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// Reads a name's folded code points one at a time.
class FoldedReader {
public:
    explicit FoldedReader(std::string_view text) : Text(text), Utf8(IsValidUtf8(text)) {}

    bool AtEnd() const { return Position >= Text.size(); }

    char32_t Next() {
        unsigned char lead = static_cast<unsigned char>(Text[Position]);
        if (!Utf8 || lead < 0x80) {
            ++Position;
            return FoldCodePoint(Utf8 ? lead : CodePage1252ToUnicode(lead));
        }
        // Validity was checked up front, so the sequence is complete.
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t cp = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(Text[Position + k]) & 0x3F);
        }
        Position += length;
        return FoldCodePoint(cp);
    }

private:
    std::string_view Text;
    bool Utf8;
    size_t Position = 0;
};

}  // namespace

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

int CompareNamesIgnoringCase(std::string_view a, std::string_view b) {
    FoldedReader left(a);
    FoldedReader right(b);
    while (!left.AtEnd() && !right.AtEnd()) {
        char32_t x = left.Next();
        char32_t y = right.Next();
        if (x != y) return x < y ? -1 : 1;
    }
    if (left.AtEnd() && right.AtEnd()) return 0;
    return left.AtEnd() ? -1 : 1;
}
