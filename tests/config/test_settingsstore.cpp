// The settings groups in and out of Quiben.ini: defaults for missing keys,
// keys set by hand never written back, and saves from two threads at once.
#include "config/CSettingsStore.h"

#include "tests/common/CTempFolder.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(SettingsStore, MissingKeysReadAsTheirDefaults) {
    CTempFolder folder;
    CSettingsStore store(folder.Path());
    const CRuleSettings rules = store.Load<CRuleSettings>();
    EXPECT_EQ(rules.bFromRule, 0);
    EXPECT_EQ(rules.bNoAttachment, 1);
    EXPECT_EQ(rules.bSizeLimit, 1);
    EXPECT_EQ(rules.nLimitByte, 256);
    EXPECT_EQ(store.Load<CTimerSettings>().nTimeUp, 600000);
    EXPECT_FALSE(store.Load<CWindowPlacement>().IsStored());

    // A stored X of 10000 is no position either; any other is one, Y 0 when missing.
    folder.Write("Quiben.ini", "[POSITION]\r\nX=10000\r\nY=5\r\n[recv]\r\ntimeup=soon\r\n");
    EXPECT_FALSE(store.Load<CWindowPlacement>().IsStored());
    const CTimerSettings timer = store.Load<CTimerSettings>();
    EXPECT_EQ(timer.nTimeUp, 0);
    EXPECT_EQ(timer.strTimeUp, "soon");
    folder.Write("Quiben.ini", "[POSITION]\r\nX=-3\r\n");
    const CWindowPlacement placement = store.Load<CWindowPlacement>();
    EXPECT_TRUE(placement.IsStored());
    EXPECT_EQ(placement.nX, -3);
    EXPECT_EQ(placement.nY, 0);
}

TEST(SettingsStore, KeysSetByHandAreReadButNeverWritten) {
    CTempFolder folder;
    CSettingsStore store(folder.Path());
    folder.Write("Quiben.ini", "[RECV]\r\nCAFILE=/etc/ca.pem\r\n");
    CAccountSettings account = store.Load<CAccountSettings>();
    EXPECT_EQ(account.strCaFile, "/etc/ca.pem");
    account.strCaFile = "/elsewhere.pem";
    account.strPassword = " pass word ";
    ASSERT_TRUE(store.Save(account));
    EXPECT_EQ(folder.Read("Quiben.ini"), "[RECV]\r\nCAFILE=/etc/ca.pem\r\nPOP3=\r\nSMTP=\r\n"
                                         "ACOUNT=\r\nMAILADDRESS=\r\nPASSWORD=\" pass word \"\r\n");
    EXPECT_EQ(store.Load<CAccountSettings>().strPassword, " pass word ");
}

// The forwarding cycle stores its marker on its own thread while the window
// stores its position and the sheet its switch: no save undoes another.
TEST(SettingsStore, SavesOfDifferentGroupsFromTwoThreadsKeepEachOther) {
    CTempFolder folder;
    constexpr int kRounds = 40;
    std::thread cycle([&folder] {
        CSettingsStore store(folder.Path());
        for (int n = 0; n < kRounds; ++n)
            store.Save(CForwardMarker{"from" + std::to_string(n), "subject", "<id>"});
    });
    CSettingsStore store(folder.Path());
    for (int n = 0; n < kRounds; ++n) {
        store.Save(CWindowPlacement{n, -n});
        store.Save(CForwardingSettings{n % 2});
    }
    cycle.join();
    EXPECT_EQ(store.Load<CForwardMarker>().strFrom, "from" + std::to_string(kRounds - 1));
    EXPECT_EQ(store.Load<CWindowPlacement>().nY, -(kRounds - 1));
    EXPECT_EQ(store.Load<CForwardingSettings>().bAutoForward, (kRounds - 1) % 2);
}

} // namespace
