#pragma once
// Unicode simple case folding (one code point to one code point) for the Latin,
// IPA, Greek, Coptic, Cyrillic, Armenian, Georgian, Cherokee, Glagolitic and
// full-width Latin letters. Pure; safe from any thread.

#include <cstdint>

// The folded (as a rule the small) form of a code point; code points without a
// folding, and every value outside the table, come back unchanged.
char32_t FoldCodePoint(char32_t codePoint);

// The Unicode code point of a Windows code page 1252 byte (0x80-0x9F hold the
// curly quotes, the euro sign, S/Z with caron and so on; the five bytes that page
// leaves undefined map to the C1 controls of the same value).
char32_t CodePage1252ToUnicode(unsigned char byte);
