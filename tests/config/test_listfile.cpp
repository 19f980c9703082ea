#include "config/listfile.h"

#include "tests/common/CTempFolder.h"

#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

Entries ReadEntries(const CTempFolder& folder, std::string_view content) {
    folder.Write("to_adr.txt", content);
    Entries entries;
    EXPECT_TRUE(ReadListFile(folder.File("to_adr.txt"), entries));
    return entries;
}

TEST(ListFile, LinesEndWithCrLfOrBareLfAndLastLineNeedsNoBreak) {
    CTempFolder folder;
    EXPECT_EQ(ReadEntries(folder, "A\r\n\r\nB"), (Entries{"A", "", "B"}));
    EXPECT_EQ(ReadEntries(folder, "A\n\nB\n"), (Entries{"A", "", "B"}));
    EXPECT_EQ(ReadEntries(folder, ""), Entries{});
    EXPECT_EQ(ReadEntries(folder, "\r\n"), Entries{""});
}

TEST(ListFile, BlanksAndLoneCarriageReturnsStayInTheEntry) {
    CTempFolder folder;
    EXPECT_EQ(ReadEntries(folder, "  spaced \t\r\nx\ry\r\n"), (Entries{"  spaced \t", "x\ry"}));
}

TEST(ListFile, ReadingAppendsAndMissingFileGivesNothing) {
    CTempFolder folder;
    Entries entries{"kept"};
    EXPECT_FALSE(ReadListFile(folder.File("missing.txt"), entries));
    EXPECT_EQ(entries, Entries{"kept"});
    folder.Write("rule_f.txt", "new\n");
    EXPECT_TRUE(ReadListFile(folder.File("rule_f.txt"), entries));
    EXPECT_EQ(entries, (Entries{"kept", "new"}));
}

TEST(ListFile, WritesCrLfAfterEveryEntryAndReadsBackUnchanged) {
    CTempFolder folder;
    Entries entries{"A", "", "B", " blank-edged ", std::string(100000, 'x') + "\x83\x40"};
    ASSERT_TRUE(WriteListFile(folder.File("rule_s.txt"), entries));
    EXPECT_EQ(folder.Read("rule_s.txt").substr(0, 9), "A\r\n\r\nB\r\n ");
    Entries back;
    ASSERT_TRUE(ReadListFile(folder.File("rule_s.txt"), back));
    EXPECT_EQ(back, entries);
}

TEST(ListFile, EmptyListGivesEmptyFile) {
    CTempFolder folder;
    folder.Write("to_adr.txt", "old\r\n");
    ASSERT_TRUE(WriteListFile(folder.File("to_adr.txt"), {}));
    EXPECT_EQ(folder.Read("to_adr.txt"), "");
}

TEST(ListFile, FailedWriteKeepsTheOldFile) {
    CTempFolder folder;
    EXPECT_FALSE(WriteListFile(folder.File("missing/to_adr.txt"), {"a"}));
    folder.Write("to_adr.txt", "old\r\n");
    // A folder in the way of the temporary file's rename.
    EXPECT_FALSE(WriteListFile(folder.Path(), {"a"}));
    EXPECT_EQ(folder.Read("to_adr.txt"), "old\r\n");
}

} // namespace
