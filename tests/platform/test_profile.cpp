#include "platform/profile.h"

#include "tests/common/CTempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

class ProfileTest : public testing::Test {
protected:
    CTempFolder m_folder;
    CProfile m_profile{m_folder.File("Quiben.ini")};

    void WriteIni(std::string_view content) { m_folder.Write("Quiben.ini", content); }
    std::string ReadIni() const { return m_folder.Read("Quiben.ini"); }
};

TEST_F(ProfileTest, MissingFileAndKeysGiveTheReadersDefault) {
    EXPECT_EQ(m_profile.GetProfileString("RECV", "POP3", ""), "");
    EXPECT_EQ(m_profile.GetProfileInt("RULE", "LIMIT_BYTE", 256), 256);
    WriteIni("[RECV]\r\nSMTP=mail\r\n");
    EXPECT_EQ(m_profile.GetProfileString("RECV", "POP3", "dflt"), "dflt");
    EXPECT_EQ(m_profile.GetProfileInt("SEND", "EXEC", 7), 7);
}

TEST_F(ProfileTest, NamesAreCaseInsensitiveAndBlanksAroundThemIgnored) {
    WriteIni("[ recv ]\n  Pop3  =  pop.example.jp  \n");
    EXPECT_EQ(m_profile.GetProfileString("RECV", "POP3", ""), "pop.example.jp");
}

TEST_F(ProfileTest, FirstOfRepeatedSectionsAndKeysWins) {
    WriteIni("[RULE]\nSIZE=1\nSIZE=0\n[RULE]\nTEMP=0\n");
    EXPECT_EQ(m_profile.GetProfileInt("RULE", "SIZE", 5), 1);
    EXPECT_EQ(m_profile.GetProfileInt("RULE", "TEMP", 5), 5);
}

TEST_F(ProfileTest, IntegersReadAsSignAndLeadingDigits) {
    WriteIni("[N]\nA=-42\nB=12abc\nC=abc\nD=\nE=+7\nF=99999999999\n");
    EXPECT_EQ(m_profile.GetProfileInt("N", "A", 1), -42);
    EXPECT_EQ(m_profile.GetProfileInt("N", "B", 1), 12);
    EXPECT_EQ(m_profile.GetProfileInt("N", "C", 1), 0);
    EXPECT_EQ(m_profile.GetProfileInt("N", "D", 1), 0);
    EXPECT_EQ(m_profile.GetProfileInt("N", "E", 1), 7);
    EXPECT_EQ(m_profile.GetProfileInt("N", "F", 1), 2147483647);
}

TEST_F(ProfileTest, QuotesAroundAValueAreRemovedOnReading) {
    WriteIni("[S]\nA=\"quoted\"\nB='single'\nC=\"unbalanced\n");
    EXPECT_EQ(m_profile.GetProfileString("S", "A", ""), "quoted");
    EXPECT_EQ(m_profile.GetProfileString("S", "B", ""), "single");
    EXPECT_EQ(m_profile.GetProfileString("S", "C", ""), "\"unbalanced");
}

TEST_F(ProfileTest, EveryValueReadsBackAsWritten) {
    const std::string values[] = {" pass word ",
                                  "\tx",
                                  "\"q\"",
                                  "'",
                                  "a=b;c",
                                  "",
                                  "\x83\x4e\x83\x43\x83\x78\x83\x93 <taro@example.jp>",
                                  "100%"};
    for (const std::string& value : values) {
        ASSERT_TRUE(m_profile.WriteProfileString("RECV", "PASSWORD", value));
        EXPECT_EQ(m_profile.GetProfileString("RECV", "PASSWORD", "default"), value);
    }
    ASSERT_TRUE(m_profile.WriteProfileInt("POSITION", "X", -120));
    EXPECT_EQ(m_profile.GetProfileInt("POSITION", "X", 10000), -120);
}

TEST_F(ProfileTest, WriteChangesOneKeyAndKeepsEveryOtherLine) {
    WriteIni("; settings\n[RECV]\nPOP3=old\nUNKNOWN=kept\n\n[RULE]\nSIZE=1\n");
    ASSERT_TRUE(m_profile.WriteProfileString("recv", "pop3", "new"));
    ASSERT_TRUE(m_profile.WriteProfileString("RECV", "SMTP", "smtp.example.jp"));
    ASSERT_TRUE(m_profile.WriteProfileInt("LASTSEND", "FROM", 3));
    EXPECT_EQ(ReadIni(),
              "; settings\r\n[RECV]\r\npop3=new\r\nUNKNOWN=kept\r\n"
              "SMTP=smtp.example.jp\r\n\r\n[RULE]\r\nSIZE=1\r\n[LASTSEND]\r\nFROM=3\r\n");
}

TEST_F(ProfileTest, ValuesWithLineBreaksAreRefusedAndChangeNothing) {
    WriteIni("[LASTSEND]\r\nFROM=a\r\n");
    EXPECT_FALSE(m_profile.WriteProfileString("LASTSEND", "FROM", "x\r\n[RECV]\r\nPOP3=evil"));
    EXPECT_FALSE(m_profile.WriteProfileString("LASTSEND", "FROM", std::string("a\0b", 3)));
    EXPECT_EQ(ReadIni(), "[LASTSEND]\r\nFROM=a\r\n");
}

TEST_F(ProfileTest, FileIsOwnerOnlyAfterEveryWrite) {
    WriteIni("[RECV]\n");
    chmod(m_folder.File("Quiben.ini").c_str(), 0644);
    ASSERT_TRUE(m_profile.WriteProfileString("RECV", "PASSWORD", "secret"));
    struct stat info {};
    ASSERT_EQ(stat(m_folder.File("Quiben.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ProfileTest, SeveralKeysInOneWriteAreAllOrNothing) {
    WriteIni("; kept\r\n[LASTSEND]\r\nFROM=old\r\n[RULE]\r\nSIZE=1\r\n");
    ASSERT_TRUE(m_profile.WriteProfileStrings("LASTSEND", {{"FROM", " a "}, {"SUBJECT", "b"}}));
    EXPECT_EQ(ReadIni(),
              "; kept\r\n[LASTSEND]\r\nFROM=\" a \"\r\nSUBJECT=b\r\n[RULE]\r\nSIZE=1\r\n");
    EXPECT_FALSE(m_profile.WriteProfileStrings("LASTSEND", {{"FROM", "c"}, {"SUBJECT", "d\ne"}}));
    EXPECT_EQ(m_profile.GetProfileString("LASTSEND", "FROM", ""), " a ");
}

TEST_F(ProfileTest, BinaryGarbageNeitherCrashesNorIsLostOnWrite) {
    static const char kGarbage[] = "\0\xff\xfe[\x01=\x02\n\x83\n[RECV\nPOP3=x\n";
    std::string garbage(kGarbage, sizeof kGarbage - 1);
    WriteIni(garbage);
    EXPECT_EQ(m_profile.GetProfileString("RECV", "POP3", ""), "x");
    ASSERT_TRUE(m_profile.WriteProfileInt("SEND", "EXEC", 1));
    std::string after = ReadIni();
    EXPECT_EQ(after.substr(0, 3), std::string("\0\xff\xfe", 3));
    EXPECT_EQ(m_profile.GetProfileInt("SEND", "EXEC", 0), 1);
}

TEST_F(ProfileTest, WriteIntoMissingFolderFails) {
    CProfile profile(m_folder.File("no/such/folder/Quiben.ini"));
    EXPECT_FALSE(profile.WriteProfileInt("SEND", "EXEC", 1));
    EXPECT_EQ(profile.GetProfileInt("SEND", "EXEC", 0), 0);
}

// The forwarding cycle stores its marker on its own thread while the window
// stores its position: neither write may undo the other.
TEST_F(ProfileTest, WritesFromTwoThreadsKeepEveryKey) {
    auto writeMany = [this](const char* section) {
        CProfile profile(m_folder.File("Quiben.ini"));
        for (int i = 0; i < 25; ++i)
            profile.WriteProfileInt(section, ("K" + std::to_string(i)).c_str(), i);
    };
    std::thread marker(writeMany, "LASTSEND");
    writeMany("POSITION");
    marker.join();
    for (int i = 0; i < 25; ++i) {
        const std::string key = "K" + std::to_string(i);
        EXPECT_EQ(m_profile.GetProfileInt("LASTSEND", key, -1), i) << key;
        EXPECT_EQ(m_profile.GetProfileInt("POSITION", key, -1), i) << key;
    }
}

} // namespace
