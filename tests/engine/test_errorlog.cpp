#include "engine/errorlog.h"

#include "platform/codepage.h"
#include "tests/common/CTempFolder.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

const std::string kSeparator = std::string(40, '-') + "\r\n";

// The entry's three lines, with the date line in UTF-8 for matching.
void ExpectSingleEntry(const std::string& log, const std::string& message) {
    std::size_t firstBreak = log.find("\r\n");
    ASSERT_NE(firstBreak, std::string::npos);
    std::string dateLine = Cp932ToUtf8(log.substr(0, firstBreak));
    EXPECT_TRUE(
        std::regex_match(dateLine, std::regex("\\d{4}年\\d{2}月\\d{2}日 \\d{2}:\\d{2}:\\d{2}")))
        << dateLine;
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
