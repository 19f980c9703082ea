// The account page's サインイン as the desktop program runs it: the
// authorization URL goes to the desktop's browser (here the test, registered
// as the handler of http URLs), the page stays usable while it waits, and
// the redirect to the loopback listener ends the sign-in.
#include "app/DesktopSignIn.h"
#include "config/schema.h"
#include "res/resource.h"
#include "tests/maillib/MailTestSupport.h"
#include "tests/settings/SheetHarness.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <thread>

namespace {

// Follows the redirects of every URL it is asked to open, as the user's
// browser would after the user signed in.
class CBrowserStandIn : public QObject {
    Q_OBJECT
public:
    explicit CBrowserStandIn(std::string user) : m_strUser(std::move(user)) {}
    ~CBrowserStandIn() override {
        if (m_thread.joinable())
            m_thread.join();
    }
    std::string m_strOpened;
    std::string m_strLastPage;

public slots:
    void Open(const QUrl& url) {
        m_strOpened = url.toString(QUrl::FullyEncoded).toStdString();
        m_thread =
            std::thread([this] { m_strLastPage = Browse(m_strOpened, "&user=" + m_strUser); });
    }

private:
    std::string m_strUser;
    std::thread m_thread;
};

using AccountPageSignInTest = MailServerTest;

QString LabelText(CPropertyPage& page, int nId) {
    auto* pLabel = qobject_cast<QLabel*>(page.GetDlgItem(nId));
    return pLabel != nullptr ? pLabel->text() : QString();
}

} // namespace

TEST_F(AccountPageSignInTest, SignInGoesThroughTheBrowserWithoutHoldingUpThePage) {
    const std::string oldBus =
        getenv("DBUS_SESSION_BUS_ADDRESS") ? getenv("DBUS_SESSION_BUS_ADDRESS") : "";
    // No keyring: the tokens go to the INI and the page says so.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + TempDir() + "/no-bus").c_str(), 1);
    const COAuthProvider provider = NewOAuthClient();
    CSheetHarness harness;
    for (const auto& [key, value] : {std::pair<const char*, std::string>{"AUTH", "oauth2"},
                                     {"OAUTH_PROVIDER", "other"},
                                     {"OAUTH_CLIENT_ID", provider.strClientId},
                                     {"OAUTH_AUTHORIZE_URL", provider.strAuthorizeUrl},
                                     {"OAUTH_TOKEN_URL", provider.strTokenUrl},
                                     {"OAUTH_SCOPE", provider.strScope}})
        harness.m_profile.WriteProfileString("RECV", key, value);
    CBrowserStandIn browser("alice");
    QDesktopServices::setUrlHandler("http", &browser, "Open");
    CMessageBoxCatcher catcher;
    ASSERT_TRUE(harness.Open(BrowserSignIn(harness.m_folder.Path())));
    harness.ClickTab(kTabAccount);
    CPageAccount& page = harness.Sheet().m_pageAccount;
    EXPECT_EQ(LabelText(page, IDC_STATIC_SIGN_IN_STATE), "サインインしていません");

    QSignalSpy shown(&page, &CPageAccount::SignInShown);
    QTest::mouseClick(qobject_cast<QPushButton*>(page.GetDlgItem(IDC_BUTTON_SIGN_IN)),
                      Qt::LeftButton);
    // The click has returned while the sign-in waits for the browser.
    EXPECT_TRUE(page.IsSignInRunning());
    ASSERT_TRUE(shown.wait(30000)); // deadline only against a hang
    QDesktopServices::unsetUrlHandler("http");

    EXPECT_EQ(browser.m_strOpened.rfind(provider.strAuthorizeUrl + "?", 0), 0u);
    EXPECT_NE(browser.m_strOpened.find("code_challenge_method=S256"), std::string::npos);
    EXPECT_NE(browser.m_strLastPage.find("サインインしました"), std::string::npos);
    EXPECT_EQ(LabelText(page, IDC_STATIC_SIGN_IN_STATE), "サインイン済み");
    ASSERT_EQ(catcher.m_vTexts.size(), 1u);
    EXPECT_NE(catcher.m_vTexts[0].find("Quiben.ini"), std::string::npos);
    EXPECT_NE(harness.m_profile.GetProfileString("RECV", "OAUTH_TOKENS", ""), "");
    setenv("DBUS_SESSION_BUS_ADDRESS", oldBus.c_str(), 1);
}

#include "test_sign_in.moc"
