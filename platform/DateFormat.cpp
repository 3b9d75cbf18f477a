#include "platform/DateFormat.h"

#include <vector>

#include "common/DateTime.h"

namespace platform {

namespace {

enum class Field { Day, Month, Year, Literal, Blank };

struct Piece {
    Field Kind;
    char Character = 0;  // for Literal
};

// Splits a format into fields and literal characters. Unsupported directives
// (month names, weekdays) make the format unusable: false.
bool SplitFormat(const std::string& format, std::vector<Piece>& pieces) {
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == ' ') {
            if (pieces.empty() || pieces.back().Kind != Field::Blank)
                pieces.push_back({Field::Blank});
            continue;
        }
        if (c != '%') {
            pieces.push_back({Field::Literal, c});
            continue;
        }
        // glibc's padding flags and the E/O modifiers change nothing for reading.
        while (i + 1 < format.size() &&
               std::string("-_0^#EO").find(format[i + 1]) != std::string::npos)
            ++i;
        if (++i >= format.size()) return false;
        switch (format[i]) {
            case 'd':
            case 'e':
                pieces.push_back({Field::Day});
                break;
            case 'm':
                pieces.push_back({Field::Month});
                break;
            case 'y':
            case 'Y':
                pieces.push_back({Field::Year});
                break;
            case 'D':
                return SplitFormat("%m/%d/%y", pieces) && SplitFormat(format.substr(i + 1), pieces);
            case 'F':
                return SplitFormat("%Y-%m-%d", pieces) && SplitFormat(format.substr(i + 1), pieces);
            case '%':
                pieces.push_back({Field::Literal, '%'});
                break;
            default:
                return false;
        }
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Up to `maxDigits` digits at `pos`; the number of digits read, 0 when none.
int ReadNumber(const std::string& text, size_t& pos, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (pos < text.size() && digits < maxDigits && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits;
}

bool ReadYear(const std::string& text, size_t& pos, int& year) {
    int digits = ReadNumber(text, pos, 4, year);
    if (digits == 1 || digits == 2) {
        year += year < 69 ? 2000 : 1900;
        return true;
    }
    return digits == 4;
}

// What is left of the format after the text has ended may be only the year,
// with the literals and blanks in front of it.
bool OnlyYearLeft(const std::vector<Piece>& pieces, size_t from) {
    bool year = false;
    for (size_t i = from; i < pieces.size(); ++i) {
        if (pieces[i].Kind == Field::Year) {
            if (year) return false;
            year = true;
        } else if (pieces[i].Kind != Field::Literal && pieces[i].Kind != Field::Blank) {
            return false;
        } else if (year) {
            return false;
        }
    }
    return year;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool ReadPieces(const std::string& text, const std::vector<Piece>& pieces, CalendarTime& date,
                bool& haveYear) {
    size_t pos = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pos == text.size() && OnlyYearLeft(pieces, i)) return true;
        const Piece& piece = pieces[i];
        switch (piece.Kind) {
            case Field::Day:
                if (ReadNumber(text, pos, 2, date.Day) == 0) return false;
                break;
            case Field::Month:
                if (ReadNumber(text, pos, 2, date.Month) == 0) return false;
                break;
            case Field::Year:
                if (!ReadYear(text, pos, date.Year)) return false;
                haveYear = true;
                break;
            case Field::Literal:
                if (pos >= text.size() || text[pos] != piece.Character) return false;
                ++pos;
                break;
            case Field::Blank:
                if (pos >= text.size() || text[pos] != ' ') return false;
                while (pos < text.size() && text[pos] == ' ') ++pos;
                break;
        }
    }
    return pos == text.size();
}

bool FinishDate(CalendarTime date, double& dateTime) {
    if (!IsValidCalendarTime(date)) return false;
    dateTime = EncodeDateTime(date);
    return true;
}

}  // namespace

bool ParseDateByFormat(const std::string& text, const std::string& format, int currentYear,
                       double& dateTime) {
    std::vector<Piece> pieces;
    if (!SplitFormat(format, pieces)) return false;
    int days = 0, months = 0, years = 0;
    for (const Piece& piece : pieces) {
        days += piece.Kind == Field::Day;
        months += piece.Kind == Field::Month;
        years += piece.Kind == Field::Year;
    }
    if (days != 1 || months != 1 || years != 1) return false;
    std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    CalendarTime date;
    date.Day = date.Month = 0;
    bool haveYear = false;
    if (!ReadPieces(trimmed, pieces, date, haveYear)) return false;
    if (!haveYear) date.Year = currentYear;
    return FinishDate(date, dateTime);
}

bool ParseIsoDate(const std::string& text, double& dateTime) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(text[i])) return false;
    CalendarTime date;
    date.Year = std::stoi(text.substr(0, 4));
    date.Month = std::stoi(text.substr(5, 2));
    date.Day = std::stoi(text.substr(8, 2));
    return FinishDate(date, dateTime);
}

std::string ShortDatePictureAsFormat(const std::string& picture) {
    std::string format;
    for (size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            size_t close = picture.find('\'', i + 1);
            if (close == std::string::npos) close = picture.size();
            for (size_t k = i + 1; k < close; ++k)
                format += picture[k] == '%' ? "%%" : picture.substr(k, 1);
            i = close + 1;
            continue;
        }
        size_t end = picture.find_first_not_of(c, i);
        size_t run = (end == std::string::npos ? picture.size() : end) - i;
        if ((c == 'd' || c == 'M') && run > 2) return {};
        if (c == 'd') {
            format += "%d";
        } else if (c == 'M') {
            format += "%m";
        } else if (c == 'y') {
            format += "%Y";  // reads two digits as well as four
        } else if (c == '%') {
            format += std::string(run * 2, '%');
        } else if (c != 'g') {
            format += std::string(run, c);
        }
        i += run;
    }
    return format;
}

}  // namespace platform
