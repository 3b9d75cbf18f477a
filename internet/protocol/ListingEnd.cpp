#include "internet/protocol/ListingEnd.h"

#include <algorithm>
#include <cctype>

namespace ftpprotocol {

namespace {

struct Sign {
    const char* Text;  // lower case
    ListingEnd Meaning;
};

const Sign Signs[] = {
    {"failed to open directory", ListingEnd::Failed},
    {"unable to read", ListingEnd::Failed},
    {"out of memory during globbing", ListingEnd::Failed},
    {"output truncated", ListingEnd::Truncated},
};

}  // namespace

ListingEnd JudgeListingEnd(const std::string& closingReply) {
    std::string text = closingReply;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const Sign& sign : Signs)
        if (text.find(sign.Text) != std::string::npos) return sign.Meaning;
    return ListingEnd::Complete;
}

}  // namespace ftpprotocol
