#include "platform/CStateFile.h"

#include "platform/textfile.h"
#include "tests/common/CTempFolder.h"
#include "tests/common/HostileFiles.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

// What each stand-in is refused as.
const std::pair<HostileFile, StateFileProblem> kRefusals[] = {
    {HostileFile::Fifo, StateFileProblem::NotRegularFile},
    {HostileFile::SymbolicLink, StateFileProblem::SymbolicLink},
    {HostileFile::HardLink, StateFileProblem::SeveralLinks},
    {HostileFile::Folder, StateFileProblem::NotRegularFile},
    {HostileFile::OtherOwner, StateFileProblem::OtherOwner}};

TEST(StateFile, AnythingButAPlainFileOfTheUserIsRefusedWithoutWaitingOrWriting) {
    for (auto [kind, expected] : kRefusals) {
        SCOPED_TRACE(static_cast<int>(kind));
        CTempFolder folder;
        folder.Write("victim", "kept");
        const std::string path = folder.File("state");
        if (!PlantHostileFile(kind, path, folder.File("victim")))
            continue;
        // (Appending is checked through the error log.)
        std::string content = "unchanged";
        ASSERT_TRUE(EndsInChildWithin(
            [&] {
                ReadStateFile(path, 1000, content);
                ReadWholeFile(path);
            },
            30));

        StateFileStatus read = ReadStateFile(path, 1000, content);
        EXPECT_EQ(read.problem, expected);
        EXPECT_EQ(content, "unchanged");
        EXPECT_EQ(ReplaceStateFile(path, "replaced", 0600).problem, expected);

        EXPECT_EQ(folder.Read("victim"), "kept");
        EXPECT_EQ(ReadWholeFile(path).value_or("kept"), "kept");
    }
}

TEST(StateFile, PlainFileIsReplacedReadAndRestarted) {
    CTempFolder folder;
    const std::string path = folder.File("state");
    std::string content;
    EXPECT_EQ(ReadStateFile(path, 100, content).problem, StateFileProblem::Missing);

    ASSERT_TRUE(ReplaceStateFile(path, "0123456789", 0600).IsOk());
    EXPECT_TRUE(ReadStateFile(path, 10, content).IsOk());
    EXPECT_EQ(content, "0123456789");
    EXPECT_EQ(ReadStateFile(path, 9, content).problem, StateFileProblem::TooLarge);

    CStateFile file = CStateFile::OpenForAppending(path, 0600);
    EXPECT_TRUE(file.RestartIfLongerThan(10) && file.Append("+"));
    EXPECT_TRUE(file.RestartIfLongerThan(10) && file.Append("new"));
    EXPECT_EQ(folder.Read("state"), "new");
}

} // namespace
