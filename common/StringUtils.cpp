#include "common/StringUtils.h"

std::string CopyFrom(const std::string& text, long long from) {
    if (from < 1) from = 1;
    if (from > (long long)text.size()) return {};
    return text.substr(size_t(from - 1));
}

std::string LeftOf(const std::string& text, long long count) {
    long long length = (long long)text.size();
    if (count < 0) count += length;
    if (count <= 0) return {};
    if (count >= length) return text;
    return text.substr(0, size_t(count));
}

std::string RightOf(const std::string& text, long long count) {
    long long length = (long long)text.size();
    if (count <= 0) return {};
    if (count >= length) return text;
    return text.substr(size_t(length - count));
}

std::string TextAfter(const std::string& text, const std::string& separator) {
    if (separator.empty()) return {};
    size_t at = text.find(separator);
    if (at == std::string::npos) return {};
    return text.substr(at + separator.size());
}

std::string TextBefore(const std::string& text, const std::string& separator) {
    if (separator.empty()) return text;
    size_t at = text.find(separator);
    if (at == std::string::npos) return text;
    return text.substr(0, at);
}

std::string SplitOff(std::string& text, const std::string& separator) {
    size_t at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        std::string all;
        all.swap(text);
        return all;
    }
    std::string before = text.substr(0, at);
    text.erase(0, at + separator.size());
    return before;
}

std::string TakeLastWord(std::string& text, const std::string& delimiters) {
    const std::string delims = delimiters.empty() ? std::string("\r\n \t") : delimiters;
    auto isDelimiter = [&](char c) { return delims.find(c) != std::string::npos; };
    while (!text.empty() && isDelimiter(text.back())) text.pop_back();
    size_t end = text.size();
    size_t start = end;
    while (start > 0 && !isDelimiter(text[start - 1])) --start;
    std::string word = text.substr(start, end - start);
    text.erase(start);
    if (!text.empty()) text.pop_back();
    return word;
}

std::string FieldAt(const std::string& text, long long index, const std::string& separator) {
    std::string rest = text;
    for (long long i = 1; i < index; ++i) rest = TextAfter(rest, separator);
    return TextBefore(rest, separator);
}

std::string JoinPath(const std::string& first, const std::string& separator,
                     const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    if (EndsWith(first, separator, false)) return first + second;
    return first + separator + second;
}

std::string LowerAscii(const std::string& text) {
    std::string lowered = text;
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lowered;
}

std::string ShowControlCharacters(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && (unsigned char)text[first] >= 0x20 && text[first] != 0x7F)
        ++first;
    if (first == text.size()) return text;  // the usual case: nothing to show
    static const char digits[] = "0123456789abcdef";
    std::string shown = text.substr(0, first);
    for (size_t i = first; i < text.size(); ++i) {
        const unsigned char c = (unsigned char)text[i];
        if (c >= 0x20 && c != 0x7F) {
            shown += char(c);
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else {
            shown += "\\x";
            shown += digits[c >> 4];
            shown += digits[c & 0xF];
        }
    }
    return shown;
}

bool StartsWith(const std::string& text, const std::string& prefix, bool ignoreCase) {
    if (text.size() < prefix.size()) return false;
    std::string head = text.substr(0, prefix.size());
    return ignoreCase ? LowerAscii(head) == LowerAscii(prefix) : head == prefix;
}

bool EndsWith(const std::string& text, const std::string& suffix, bool ignoreCase) {
    std::string tail = RightOf(text, (long long)suffix.size());
    if (suffix.empty()) return true;
    return ignoreCase ? LowerAscii(tail) == LowerAscii(suffix) : tail == suffix;
}

std::string ReplaceAll(const std::string& text, const std::string& oldText,
                       const std::string& newText) {
    if (oldText.empty()) return text;
    // Replacements are rescanned only when each one shortens the text, so that
    // the rescan always ends: with a replacement as long as the pattern or
    // longer, a new occurrence can be formed again and again ("aab", "ab" ->
    // "bbaa" grows for ever).
    if (newText.size() < oldText.size() && newText.find(oldText) == std::string::npos) {
        std::string result = text;
        size_t from = 0, at;
        while ((at = result.find(oldText, from)) != std::string::npos) {
            result.replace(at, oldText.size(), newText);
            // Nothing before `at` held an occurrence, so a new one begins at most
            // one pattern length short of a character before it.
            from = at >= oldText.size() - 1 ? at - (oldText.size() - 1) : 0;
        }
        return result;
    }
    std::string result;
    size_t from = 0, at;
    while ((at = text.find(oldText, from)) != std::string::npos) {
        result.append(text, from, at - from);
        result += newText;
        from = at + oldText.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string TextIf(bool condition, const std::string& text) {
    return condition ? text : std::string();
}

std::string TextIfElse(bool condition, const std::string& whenTrue, const std::string& whenFalse) {
    return condition ? whenTrue : whenFalse;
}
