#include <gtest/gtest.h>

#include <string>

#include "internet/protocol/PassiveReply.h"

using namespace ftpprotocol;

namespace {

struct PasvCase {
    const char* Text;
    bool Ok;
    const char* Host;
    uint16_t Port;
};

TEST(PassiveReplyTest, PasvReplies) {
    const PasvCase cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,4,1).\r\n", true, "127.0.0.1", 1025},
        {"227 Entering Passive Mode 10,1,2,3,200,10\r\n", true, "10.1.2.3", 51210},
        {"227 =192,168,0,10,255,255", true, "192.168.0.10", 65535},
        {"227 Entering Passive Mode (010,000,000,001,000,021)", true, "10.0.0.1", 21},
        // Some servers put a blank after each comma.
        {"227 Entering Passive Mode (127, 0, 0, 1, 4, 1)", true, "127.0.0.1", 1025},
        // The numbers may stand on any line of the reply.
        {"227-Note 1,2 first\r\n227 Entering Passive Mode (1,2,3,4,5,6)\r\n", true, "1.2.3.4",
         1286},
        {"227 Entering Passive Mode (256,0,0,1,4,1)", false, "", 0},
        {"227 Entering Passive Mode (127,0,0,1,4,256)", false, "", 0},
        {"227 Entering Passive Mode (127,0,0,1,4)", false, "", 0},
        {"227 Entering Passive Mode (127,0,0,1,4,1,7)", false, "", 0},
        {"227 Entering Passive Mode (127, 0, 0, 1, 4, 1, 7)", false, "", 0},
        {"227 Entering Passive Mode (1127,0,0,1,4,1)", false, "", 0},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", false, "", 0},  // port 0
        {"227 Entering Passive Mode (127,0,0,1,,1)", false, "", 0},
        {"227 Entering Passive Mode", false, "", 0},
        {"", false, "", 0},
    };
    for (const PasvCase& c : cases) {
        SCOPED_TRACE(c.Text);
        std::string host = "untouched";
        uint16_t port = 7;
        ASSERT_EQ(ParsePasvReply(c.Text, host, port), c.Ok);
        EXPECT_EQ(host, c.Ok ? c.Host : "untouched");
        EXPECT_EQ(port, c.Ok ? c.Port : 7);
    }
}

struct EpsvCase {
    std::string Text;
    bool Ok;
    uint16_t Port;
};

TEST(PassiveReplyTest, EpsvReplies) {
    const EpsvCase cases[] = {
        {"229 Entering Extended Passive Mode (|||6446|)\r\n", true, 6446},
        {"229 Entering Extended Passive Mode (!!!1!)", true, 1},
        {"229 Entering Extended Passive Mode (~~~65535~)", true, 65535},
        {"229 Extended Passive Mode |||21600|", true, 21600},  // no parentheses
        {"229 Entering Extended Passive Mode (|||65536|)", false, 0},
        {"229 Entering Extended Passive Mode (|||0|)", false, 0},
        {"229 Entering Extended Passive Mode (|||006446|)", false, 0},
        {"229 Entering Extended Passive Mode (|||abc|)", false, 0},
        {"229 Entering Extended Passive Mode (||6446|)", false, 0},
        {"229 Entering Extended Passive Mode (|||6446)", false, 0},
        {"229 Entering Extended Passive Mode (|!|6446|)", false, 0},
        {"229 Entering Extended Passive Mode (1116446 1)", false, 0},  // digit delimiter
        {"229 Entering Extended Passive Mode (   6446 )", false, 0},   // blank is below 33
        {"229 Entering Extended Passive Mode (\x7f\x7f\x7f"
         "6446\x7f)",
         false, 0},
        {"229 Entering Extended Passive Mode (|1|127.0.0.1|6446|)", false, 0},
        {"", false, 0},
    };
    for (const EpsvCase& c : cases) {
        SCOPED_TRACE(c.Text);
        uint16_t port = 7;
        ASSERT_EQ(ParseEpsvReply(c.Text, port), c.Ok);
        EXPECT_EQ(port, c.Ok ? c.Port : 7);
    }
}

// Garbage of every short shape is rejected or parsed without reading past the text.
TEST(PassiveReplyTest, TruncatedRepliesAreSafe) {
    const std::string pasv = "227 Entering Passive Mode (127,0,0,1,4,1)";
    const std::string epsv = "229 Entering Extended Passive Mode (|||6446|)";
    for (size_t n = 0; n <= pasv.size(); ++n) {
        std::string host;
        uint16_t port = 0;
        ParsePasvReply(pasv.substr(0, n), host, port);
    }
    for (size_t n = 0; n <= epsv.size(); ++n) {
        uint16_t port = 0;
        EXPECT_EQ(ParseEpsvReply(epsv.substr(0, n), port), n >= epsv.size() - 1);
    }
}

}  // namespace
