// The FTP client's pure pieces: text-mode line-end conversion (split at every
// position, since it runs chunk by chunk), the client-side mask match, and the
// error texts of the codes the client produces.

#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "internet/client/FtpTransfers.h"
#include "internet/client/LineEnds.h"

using namespace platform;
using namespace platform::ftpclient;

namespace {

struct LineEndCase {
    const char* Input;
    const char* Upload;    // LF -> CR LF
    const char* Download;  // CR LF -> LF
};

const LineEndCase LineEndCases[] = {
    {"", "", ""},
    {"a\nb\n", "a\r\nb\r\n", "a\nb\n"},
    {"a\r\nb", "a\r\nb", "a\nb"},  // CR LF already there is not doubled
    {"\n\n", "\r\n\r\n", "\n\n"},
    {"a\rb", "a\rb", "a\rb"},  // a lone CR stays
    {"\r\r\n", "\r\r\n", "\r\n"},
    {"end\r", "end\r", "end\r"},  // a CR at the very end survives Finish
    {"x\r\n\r\n", "x\r\n\r\n", "x\n\n"},
};

std::string Upload(const std::string& input, size_t split) {
    LfToCrLf converter;
    std::string out;
    converter.Convert(input.data(), split, out);
    converter.Convert(input.data() + split, input.size() - split, out);
    return out;
}

std::string Download(const std::string& input, size_t split) {
    CrLfToLf converter;
    std::string out;
    converter.Convert(input.data(), split, out);
    converter.Convert(input.data() + split, input.size() - split, out);
    converter.Finish(out);
    return out;
}

TEST(FtpClientLineEnds, ConvertsTheSameWhereverAChunkEnds) {
    for (const LineEndCase& c : LineEndCases) {
        std::string input = c.Input;
        for (size_t split = 0; split <= input.size(); ++split) {
            EXPECT_EQ(Upload(input, split), c.Upload) << "upload of " << c.Input << " at " << split;
            EXPECT_EQ(Download(input, split), c.Download)
                << "download of " << c.Input << " at " << split;
        }
    }
}

struct MaskCase {
    const char* Mask;
    const char* Name;
    bool Matches;
};

TEST(FtpClientMask, MatchesExactNamesAndWildcards) {
    const MaskCase cases[] = {
        {"", "anything", true},
        {"a.txt", "a.txt", true},
        {"a.txt", "A.txt", false},  // letter case counts
        {"a.txt", "a.txt2", false},
        {"name with  spaces", "name with  spaces", true},
        {"*.txt", "b.txt", true},
        {"*.txt", "b.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*", "", true},
        {"**a**", "bab", true},
        {"*a*b*c", "xaxxbxxxc", true},
        {"*a*b*c", "xaxxbxxx", false},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(MaskMatches(c.Mask, c.Name), c.Matches) << c.Mask << " vs " << c.Name;
    // Back-tracking stays linear on a hostile mask.
    EXPECT_FALSE(MaskMatches(std::string(200, '*') + "b", std::string(100000, 'a')));
}

TEST(FtpClientErrorTexts, EveryCodeTheClientProducesHasAText) {
    for (uint32_t code :
         {ErrorCode::InternetTimeout, ErrorCode::InternetExtendedError,
          ErrorCode::InternetNameNotResolved, ErrorCode::InternetIncorrectUserName,
          ErrorCode::InternetIncorrectPassword, ErrorCode::InternetCannotConnect,
          ErrorCode::InternetConnectionAborted, ErrorCode::InternetConnectionReset,
          ErrorCode::FtpTransferInProgress, ErrorCode::FtpDropped, ErrorCode::InternetInvalidOption,
          ErrorCode::InternetIncorrectHandleType, ErrorCode::InternetInvalidServerResponse})
        EXPECT_FALSE(InternetErrorText(code).empty()) << code;
    EXPECT_TRUE(InternetErrorText(ErrorCode::AccessDenied).empty());
}

}  // namespace
