// The unsigned number rules of the data exchange.
#include "dialog/CDataExchange.h"

#include <gtest/gtest.h>

namespace {

TEST(DataExchange, UnsignedNumbersTakeBlanksAndPlusButNoSignOrGarbage) {
    unsigned value = 7;
    EXPECT_TRUE(ParseDialogUInt("256", value));
    EXPECT_EQ(value, 256u);
    EXPECT_TRUE(ParseDialogUInt(" \t+42 ", value));
    EXPECT_EQ(value, 42u);
    EXPECT_TRUE(ParseDialogUInt("4294967295", value));
    EXPECT_EQ(value, 4294967295u);
    for (const char* pszText : {"", " ", "-1", "-0", "4294967296", "12a", "1 2", "+", "0x10"}) {
        value = 7;
        EXPECT_FALSE(ParseDialogUInt(pszText, value)) << pszText;
        EXPECT_EQ(value, 7u) << pszText;
    }
}

} // namespace
