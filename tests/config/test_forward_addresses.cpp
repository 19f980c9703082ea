#include "config/ForwardAddresses.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

// "line: entry (problem)" per unusable entry.
Strings Unusable(const ForwardAddressList& list) {
    Strings out;
    for (const UnusableAddressLine& entry : list.unusable)
        out.push_back(std::to_string(entry.nLine) + ": " + entry.strEntryUtf8 + " (" +
                      std::to_string(static_cast<int>(entry.problem)) + ")");
    return out;
}

TEST(ForwardAddresses, LinesAsPeopleWriteThemGiveEachAddressOnce) {
    ForwardAddressList list = ParseForwardAddresses({
        "  phone@example.net \t",
        "Phone <tablet@example.net>",
        "\"Doe, John\" <j@example.net>, a@example.net,",
        "",
        "# old@example.net",
        Utf8ToCp932("\u3000表 <k@example.net>\u3000"),
        // In code page 932 表 ends in 0x5C ('\\'), ァ in 0x40 ('@').
        Utf8ToCp932("\"表\" <q@example.net>, ァ <r@example.net>"),
        "PHONE@example.net",
    });
    EXPECT_EQ(list.addresses,
              (Strings{"phone@example.net", "tablet@example.net", "j@example.net", "a@example.net",
                       "k@example.net", "q@example.net", "r@example.net"}));
    EXPECT_EQ(Unusable(list), Strings{});
}

TEST(ForwardAddresses, UnusableEntriesAreReportedAndTheRestOfTheirLineIsKept) {
    ForwardAddressList list = ParseForwardAddresses({
        "ok@example.net\r\nRCPT TO:<evil@example.net>",
        std::string("nul@example.net\0x", 17),
        "tab\t@example.net, kept@example.net",
        "Name <open@example.net",
        "\"unclosed <q@example.net>",
        Utf8ToCp932("日本@example.net, a@@example.net, ,"),
        ",",
    });
    EXPECT_EQ(list.addresses, Strings{"kept@example.net"});
    EXPECT_EQ(Unusable(list), (Strings{
                                  "1: ok@example.net??RCPT TO:<evil@example.net> (0)",
                                  "2: nul@example.net?x (0)",
                                  "3: tab\t@example.net (2)",
                                  "4: Name <open@example.net (1)",
                                  "5: \"unclosed <q@example.net> (1)",
                                  "6: 日本@example.net (2)",
                                  "6: a@@example.net (2)",
                                  "7: , (2)",
                              }));
}

TEST(ForwardAddresses, SenderAddressLosesOnlyTheBlanksAroundIt) {
    EXPECT_EQ(TrimMailAddress(" \tme@example.jp\x81\x40 "), "me@example.jp");
    // 0x81 0x81 is one character: its trail byte and the 0x40 after it are no blank.
    EXPECT_EQ(TrimMailAddress("a\x81\x81\x40"), "a\x81\x81\x40");
}

} // namespace
