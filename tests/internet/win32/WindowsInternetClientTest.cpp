// The Internet client over the Windows library: texts for every Internet code,
// a refused connection, and the status callback's reports with their context.

#include <gtest/gtest.h>

#include <vector>

#include "common/ErrorCodes.h"
#include "internet/InternetClient.h"
#include "platform/LastError.h"

namespace {

TEST(WindowsInternetClientTest, EveryInternetCodeHasAText) {
    for (uint32_t code : {ErrorCode::InternetTimeout, ErrorCode::InternetExtendedError,
                          ErrorCode::InternetNameNotResolved, ErrorCode::InternetLoginFailure,
                          ErrorCode::InternetCannotConnect, ErrorCode::InternetConnectionAborted,
                          ErrorCode::InternetConnectionReset, ErrorCode::FtpTransferInProgress,
                          ErrorCode::FtpDropped}) {
        EXPECT_FALSE(platform::InternetErrorText(code).empty()) << code;
    }
    EXPECT_TRUE(platform::InternetErrorText(ErrorCode::AccessDenied).empty());
}

TEST(WindowsInternetClientTest, ARefusedConnectionFailsAndIsReportedWithItsContext) {
    platform::InternetHandle session = platform::InternetOpen("VelCopy");
    ASSERT_NE(session, platform::NoInternetHandle);
    std::vector<uintptr_t> contexts;
    ASSERT_TRUE(platform::InternetSetStatusCallback(
        session, [&](platform::InternetHandle, uintptr_t context, uint32_t, const void*, uint32_t) {
            contexts.push_back(context);
        }));
    // Nothing listens on port 1 of the loopback address.
    platform::InternetHandle connection = platform::InternetConnect(
        session, "127.0.0.1", 1, "user", "secret", platform::InternetFlagPassive, 42);
    EXPECT_EQ(connection, platform::NoInternetHandle);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::InternetCannotConnect);
    ASSERT_FALSE(contexts.empty());
    EXPECT_EQ(contexts.front(), 42u);
    EXPECT_TRUE(platform::InternetSetStatusCallback(session, {}));
    EXPECT_TRUE(platform::InternetCloseHandle(session));
    EXPECT_FALSE(platform::InternetCloseHandle(session));
}

}  // namespace
