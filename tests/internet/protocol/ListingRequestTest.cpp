// How a connection chooses its LIST request: when the answer to "LIST -a" is
// taken, when the folder is listed again plainly, and what the connection learns.

#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "internet/protocol/ListingRequest.h"

using namespace ftpprotocol;

namespace {

using Step = ListingRequest::Step;

ListingAnswer Listed(size_t entries, bool onlyDashA = false) {
    return ListingAnswer{0, 0, entries, onlyDashA};
}
ListingAnswer Refused(int code) {
    return ListingAnswer{ErrorCode::InternetExtendedError, code, 0, false};
}
ListingAnswer Broken(uint32_t error) {
    return ListingAnswer{error, 0, 0, false};
}

struct Case {
    const char* What;
    ListingAnswer First;
    Step Expected;
    ListingAnswer Plain;  // when listed again
    const char* NextCommand;
};

TEST(ListingRequestTest, FirstAnswerDecidesAndThePlainOneTeaches) {
    const Case cases[] = {
        {"entries with . and ..", Listed(5), Step::Take, {}, "LIST -a"},
        {"entries, -a ignored", Listed(1), Step::Take, {}, "LIST -a"},
        {"empty folder on a server ignoring -a", Listed(0), Step::ListPlainly, Listed(0),
         "LIST -a"},
        {"-a taken for a missing name", Listed(0), Step::ListPlainly, Listed(4), "LIST"},
        {"-a taken for a file named -a", Listed(1, true), Step::ListPlainly, Listed(3), "LIST"},
        {"option refused", Refused(501), Step::ListPlainly, Listed(0), "LIST"},
        {"-a not found", Refused(550), Step::ListPlainly, Listed(2), "LIST"},
        {"refused, and the plain listing fails too", Refused(500), Step::ListPlainly, Refused(550),
         "LIST -a"},
        {"450 may pass", Refused(450), Step::ListPlainly, Listed(2), "LIST -a"},
        {"no data connection", Refused(425), Step::Fail, {}, "LIST -a"},
        {"transfer aborted", Refused(426), Step::Fail, {}, "LIST -a"},
        {"session dropped", Broken(ErrorCode::FtpDropped), Step::Fail, {}, "LIST -a"},
        {"timed out", Broken(ErrorCode::InternetTimeout), Step::Fail, {}, "LIST -a"},
        {"listing too large",
         Broken(ErrorCode::InternetInvalidServerResponse),
         Step::Fail,
         {},
         "LIST -a"},
    };
    for (const Case& c : cases) {
        ListingRequest request;
        EXPECT_STREQ(request.FirstCommand(), "LIST -a") << c.What;
        EXPECT_EQ(request.AfterFirst(c.First), c.Expected) << c.What;
        if (c.Expected == Step::ListPlainly) request.AfterPlain(c.First, c.Plain);
        EXPECT_STREQ(request.FirstCommand(), c.NextCommand) << c.What;
    }
}

// Once "-a" has listed entries the server has shown it does not take "-a" for a
// name: an empty answer is an empty folder, listed once. Nothing else changes.
TEST(ListingRequestTest, EmptyAnswerIsTrustedOnceDashAHasListedEntries) {
    struct Later {
        const char* What;
        ListingAnswer Answer;
        Step Expected;
    };
    const Later cases[] = {
        {"empty folder", Listed(0), Step::Take},
        {"entries", Listed(3), Step::Take},
        {"only a file named -a", Listed(1, true), Step::ListPlainly},
        {"option refused", Refused(501), Step::ListPlainly},
        {"no data connection", Refused(425), Step::Fail},
    };
    for (const Later& c : cases) {
        ListingRequest request;
        ASSERT_EQ(request.AfterFirst(Listed(0)), Step::ListPlainly) << c.What;
        request.AfterPlain(Listed(0), Listed(0));
        ASSERT_EQ(request.AfterFirst(Listed(2)), Step::Take) << c.What;
        EXPECT_EQ(request.AfterFirst(c.Answer), c.Expected) << c.What;
        EXPECT_STREQ(request.FirstCommand(), "LIST -a") << c.What;
    }
    // An answer naming only "-a" teaches nothing.
    ListingRequest request;
    EXPECT_EQ(request.AfterFirst(Listed(1, true)), Step::ListPlainly);
    EXPECT_EQ(request.AfterFirst(Listed(0)), Step::ListPlainly);
}

TEST(ListingRequestTest, PlainOnlyConnectionTakesEveryAnswerOfItsOwn) {
    ListingRequest request;
    request.AfterPlain(Refused(500), Listed(1));
    ASSERT_STREQ(request.FirstCommand(), "LIST");
    EXPECT_EQ(request.AfterFirst(Listed(0)), Step::Take);
    EXPECT_EQ(request.AfterFirst(Refused(550)), Step::Fail);
    request.AfterPlain(Listed(0), Listed(1));
    EXPECT_STREQ(request.FirstCommand(), "LIST");
}

}  // namespace
