#include "engine/errorlog.h"

#include "platform/codepage.h"
#include "platform/textfile.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/HostileFiles.h"

#include <gtest/gtest.h>

namespace {

// A log restarted through a hard link would empty the other file: make it
// long enough for a restart.
const std::string kVictim(kErrorLogLimit + 1, 'x');

TEST(ErrorLogFiles, LogThatIsNoPlainFileIsLeftAloneAndTheEntryGoesToStderr) {
    for (HostileFile kind : kHostileFiles) {
        SCOPED_TRACE(static_cast<int>(kind));
        CTempFolder folder;
        folder.Write("victim", kVictim);
        const std::string log = folder.File("ErrorLog.txt");
        if (!PlantHostileFile(kind, log, folder.File("victim")))
            continue;
        testing::internal::CaptureStderr(); // the child's stderr too
        bool bEnded = EndsInChildWithin([&] { WriteErrorLog(folder.Path(), "entry"); }, 30);
        std::string stderrText = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(bEnded);

        EXPECT_NE(stderrText.find(log), std::string::npos) << stderrText;
        EXPECT_NE(stderrText.find("quiben: entry\n"), std::string::npos) << stderrText;
        EXPECT_EQ(folder.Read("victim"), kVictim);
        EXPECT_EQ(ReadWholeFile(log).value_or(kVictim), kVictim);
    }
}

TEST(ErrorLogFiles, EchoPutsEveryEntryOnStderrInUtf8UntilSwitchedOff) {
    CTempFolder folder;
    const std::string message = Utf8ToCp932("送信エラー:550 ユーザー不明");
    testing::internal::CaptureStderr();
    SetErrorLogEcho(true);
    WriteErrorLog(folder.Path(), message);
    SetErrorLogEcho(false);
    WriteErrorLog(folder.Path(), "quiet");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "quiben: 送信エラー:550 ユーザー不明\n");
    std::string written = folder.Read("ErrorLog.txt");
    EXPECT_NE(written.find(message), std::string::npos);
    EXPECT_NE(written.find("quiet"), std::string::npos);
}

} // namespace
