#include "engine/errorlog.h"

#include "platform/codepage.h"
#include "tests/common/CTempFolder.h"

#include <gtest/gtest.h>

namespace {

const std::string kSeparator = std::string(40, '-') + "\r\n";

// True when text has the shape of pattern, where '9' stands for any digit.
bool HasShape(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i])
            return false;
    }
    return true;
}

// The entry's three lines, with the date line in UTF-8 for matching.
void ExpectSingleEntry(const std::string& log, const std::string& message) {
    std::size_t firstBreak = log.find("\r\n");
    ASSERT_NE(firstBreak, std::string::npos);
    std::string dateLine = Cp932ToUtf8(log.substr(0, firstBreak));
    EXPECT_TRUE(HasShape(dateLine, "9999年99月99日 99:99:99")) << dateLine;
    EXPECT_EQ(log.substr(firstBreak + 2), message + "\r\n" + kSeparator);
}

TEST(ErrorLog, FirstEntryCreatesTheFileWithThreeLines) {
    CTempFolder folder;
    std::string message = Utf8ToCp932("受信エラー:login failed");
    WriteErrorLog(folder.Path(), message);
    ExpectSingleEntry(folder.Read("ErrorLog.txt"), message);
}

TEST(ErrorLog, PercentSignsAreWrittenUnchanged) {
    CTempFolder folder;
    WriteErrorLog(folder.Path(), "100% %s %d");
    ExpectSingleEntry(folder.Read("ErrorLog.txt"), "100% %s %d");
}

TEST(ErrorLog, LogOfExactlyTheLimitIsAppendedTo) {
    CTempFolder folder;
    std::string old(64000, 'x');
    folder.Write("ErrorLog.txt", old);
    WriteErrorLog(folder.Path(), "new");
    std::string log = folder.Read("ErrorLog.txt");
    EXPECT_EQ(log.substr(0, old.size()), old);
    ExpectSingleEntry(log.substr(old.size()), "new");
}

TEST(ErrorLog, LogPastTheLimitIsStartedAfresh) {
    CTempFolder folder;
    folder.Write("ErrorLog.txt", std::string(64001, 'x'));
    WriteErrorLog(folder.Path(), "new");
    ExpectSingleEntry(folder.Read("ErrorLog.txt"), "new");
}

TEST(ErrorLog, LineBreaksInsideAMessageBecomeCrLf) {
    CTempFolder folder;
    WriteErrorLog(folder.Path(), "one\ntwo\r\nthree");
    ExpectSingleEntry(folder.Read("ErrorLog.txt"), "one\r\ntwo\r\nthree");
}

TEST(ErrorLog, UnwritableFolderLosesTheEntrySilently) {
    CTempFolder folder;
    WriteErrorLog(folder.File("no-such-folder"), "lost");
    EXPECT_FALSE(folder.Exists("no-such-folder"));
}

} // namespace
