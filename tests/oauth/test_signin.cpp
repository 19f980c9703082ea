// Signing in against the suite's OAuth2 provider: the code flow with the
// test playing the browser, refreshing, the device flow, and how each
// failure tells the caller what to do.
#include "engine/oauth/CCodeFlowSignIn.h"
#include "engine/oauth/COAuthClient.h"
#include "tests/maillib/MailTestSupport.h"

#include <ctime>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using SignInTest = MailServerTest;

long long Now() {
    return static_cast<long long>(std::time(nullptr));
}

void ExpectNoSecretIn(const COAuthError& error, const COAuthTokens& tokens) {
    EXPECT_NE(error.strText, "");
    for (const std::string& secret : {tokens.strAccessToken, tokens.strRefreshToken}) {
        if (!secret.empty()) {
            EXPECT_EQ(error.strText.find(secret), std::string::npos) << error.strText;
        }
    }
}

} // namespace

// Microsoft registers loopback redirects as http://localhost: the browser
// resolves the name and still reaches the listener on 127.0.0.1, and the
// code exchange names the same redirect.
TEST_F(SignInTest, CodeFlowInTheBrowserGivesTokensAndAThankYouPage) {
    for (const char* pszHost : {"127.0.0.1", "localhost"}) {
        COAuthProvider provider = NewOAuthClient();
        provider.strRedirectHost = pszHost;
        CCodeFlowSignIn signIn(provider, "alice");
        std::string url;
        COAuthError error;
        ASSERT_TRUE(signIn.Start(url, error)) << error.strText;
        EXPECT_NE(url.find("code_challenge_method=S256"), std::string::npos);
        EXPECT_NE(url.find(std::string("redirect_uri=http%3A%2F%2F") + pszHost + "%3A"),
                  std::string::npos)
            << url;
        std::string page;
        std::thread browser([&] { page = Browse(url, "&user=alice"); });
        COAuthTokens tokens;
        bool signedIn = signIn.Finish(30, tokens, error);
        browser.join();
        ASSERT_TRUE(signedIn) << pszHost << ": " << error.strText;
        EXPECT_NE(page.find("サインインしました"), std::string::npos) << page;
        EXPECT_NE(tokens.strAccessToken, "");
        EXPECT_NE(tokens.strRefreshToken, "");
        EXPECT_GT(tokens.nExpiresAt, Now() + 3000);
    }
}

// The provider checks the verifier: a code taken by someone else (who has
// no verifier) is worthless; only the one redirect with the right state
// ends the wait.
TEST_F(SignInTest, CodeNeedsItsVerifierAndTheListenerItsState) {
    COAuthProvider provider = NewOAuthClient();
    COAuthClient client(provider);
    CRedirectListener listener;
    COAuthError error;
    ASSERT_TRUE(listener.Listen(error));
    CPkce pkce = CPkce::Generate();
    std::string url = client.AuthorizationUrl(listener.RedirectUri(), "st4te", pkce.strChallenge);
    std::thread browser([&] {
        EXPECT_EQ(GetOnce(listener.RedirectUri() + "favicon.ico").nStatus, 404);
        EXPECT_EQ(GetOnce(listener.RedirectUri() + "?code=forged&state=guess").nStatus, 400);
        Browse(url, "&user=alice");
    });
    std::string code;
    bool received = listener.WaitForCode("st4te", 30, code, error);
    browser.join();
    ASSERT_TRUE(received) << error.strText;
    EXPECT_NE(code.find('/'), std::string::npos); // the provider's "/" and "+" came through intact
    COAuthTokens tokens;
    EXPECT_FALSE(client.ExchangeCode(code, CPkce::Generate().strVerifier, listener.RedirectUri(),
                                     tokens, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::SignInAgain);
    EXPECT_EQ(tokens.strAccessToken, "");
}

TEST_F(SignInTest, RefusalTimeoutAndCancelEndTheBrowserWait) {
    COAuthProvider provider = NewOAuthClient();
    COAuthTokens tokens;
    COAuthError error;
    std::string url;
    {
        CCodeFlowSignIn signIn(provider);
        ASSERT_TRUE(signIn.Start(url, error));
        std::thread browser([&] { Browse(url, "&deny=1"); });
        EXPECT_FALSE(signIn.Finish(30, tokens, error));
        browser.join();
        EXPECT_EQ(error.eFailure, EOAuthFailure::SignInAgain);
        EXPECT_EQ(error.strText, "サインインが許可されませんでした");
    }
    {
        CCodeFlowSignIn signIn(provider);
        ASSERT_TRUE(signIn.Start(url, error));
        EXPECT_FALSE(signIn.Finish(1, tokens, error));
        EXPECT_EQ(error.eFailure, EOAuthFailure::Cancelled);
    }
    {
        CCodeFlowSignIn signIn(provider);
        ASSERT_TRUE(signIn.Start(url, error));
        std::thread canceller([&] { signIn.Cancel(); });
        EXPECT_FALSE(signIn.Finish(60, tokens, error));
        canceller.join();
        EXPECT_EQ(error.eFailure, EOAuthFailure::Cancelled);
    }
    provider.strClientId.clear();
    CCodeFlowSignIn unconfigured(provider);
    EXPECT_FALSE(unconfigured.Start(url, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::Settings);
}

TEST_F(SignInTest, AccessTokenAboutToExpireIsRefreshedKeepingOrReplacingTheRefreshToken) {
    for (bool rotate : {false, true}) {
        COAuthProvider provider =
            NewOAuthClient(std::string("expires_in=30&rotate=") + (rotate ? "1" : "0"));
        COAuthTokens tokens = SignIn(provider, "alice");
        ASSERT_TRUE(tokens.NeedsRefresh(Now()));
        COAuthTokens before = tokens;
        COAuthClient client(provider);
        bool refreshed = false;
        COAuthError error;
        ASSERT_TRUE(client.RefreshIfDue(tokens, Now(), refreshed, error)) << error.strText;
        EXPECT_TRUE(refreshed);
        EXPECT_NE(tokens.strAccessToken, before.strAccessToken);
        EXPECT_EQ(tokens.strRefreshToken == before.strRefreshToken, !rotate);
        EXPECT_NE(tokens.strRefreshToken, "");
    }
    // A token that is not due is left alone: no request at all.
    COAuthProvider provider = NewOAuthClient();
    COAuthTokens tokens = SignIn(provider, "alice");
    bool refreshed = true;
    COAuthError error;
    EXPECT_TRUE(COAuthClient(provider).RefreshIfDue(tokens, Now(), refreshed, error));
    EXPECT_FALSE(refreshed);
    EXPECT_NE(Browse(Servers().OAuthUrl("/control/stats?client_id=" + provider.strClientId))
                  .find("\"refresh\": 0"),
              std::string::npos);
}

TEST_F(SignInTest, FailedRefreshSaysWhetherToSignInAgainOrTryLater) {
    COAuthProvider provider = NewOAuthClient();
    COAuthTokens tokens = SignIn(provider, "alice");
    COAuthTokens kept = tokens;
    COAuthClient client(provider);
    COAuthError error;

    Servers().OAuthControl("/control/client", "client_id=" + provider.strClientId + "&fail=503:1");
    EXPECT_FALSE(client.Refresh(tokens, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::Temporary);
    ExpectNoSecretIn(error, kept);

    COAuthProvider unreachable = provider;
    unreachable.strTokenUrl = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/token";
    EXPECT_FALSE(COAuthClient(unreachable).Refresh(tokens, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::Temporary);

    Servers().OAuthControl("/control/revoke", "client_id=" + provider.strClientId);
    EXPECT_FALSE(client.Refresh(tokens, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::SignInAgain);
    EXPECT_NE(error.strText.find("もう一度サインイン"), std::string::npos) << error.strText;
    ExpectNoSecretIn(error, kept);
    EXPECT_EQ(tokens.strRefreshToken, kept.strRefreshToken);

    Servers().OAuthControl("/control/client",
                           "client_id=" + provider.strClientId + "&secret=right");
    provider.strClientSecret = "wrong";
    EXPECT_FALSE(COAuthClient(provider).Refresh(tokens, error));
    EXPECT_EQ(error.eFailure, EOAuthFailure::Settings);
    EXPECT_EQ(error.strText.find("wrong"), std::string::npos);
}

TEST_F(SignInTest, DeviceFlowWaitsForTheUserAndSlowsDownWhenAsked) {
    COAuthProvider provider = NewOAuthClient("slow_down=1");
    COAuthClient client(provider);
    COAuthDeviceCode device;
    COAuthError error;
    ASSERT_TRUE(client.RequestDeviceCode(device, error)) << error.strText;
    EXPECT_EQ(device.Instructions(), "ブラウザで " + device.strVerificationUrl +
                                         " を開き、コード " + device.strUserCode +
                                         " を入力してください。");
    std::vector<int> waits;
    auto sleep = [&](int seconds) {
        waits.push_back(seconds);
        if (waits.size() == 3) // the user approves while the program waits
            Servers().OAuthControl("/device/approve", "user=alice&user_code=" + device.strUserCode);
        return true;
    };
    COAuthTokens tokens;
    ASSERT_TRUE(client.WaitForDevice(device, tokens, error, sleep)) << error.strText;
    EXPECT_EQ(waits, (std::vector<int>{5, 10, 10}));
    EXPECT_NE(tokens.strAccessToken, "");
    EXPECT_NE(tokens.strRefreshToken, "");
}

TEST_F(SignInTest, DeviceFlowEndsOnRefusalExpiryOrCancel) {
    COAuthProvider provider = NewOAuthClient();
    COAuthClient client(provider);
    struct CCase {
        const char* answer; // the user's answer at the URL, empty for none
        EOAuthFailure failure;
    };
    for (CCase c :
         {CCase{"deny=1", EOAuthFailure::SignInAgain},
          CCase{"expire=1", EOAuthFailure::SignInAgain}, CCase{"", EOAuthFailure::Cancelled}}) {
        COAuthDeviceCode device;
        COAuthError error;
        ASSERT_TRUE(client.RequestDeviceCode(device, error)) << error.strText;
        if (*c.answer != '\0')
            Servers().OAuthControl("/device/approve",
                                   std::string(c.answer) + "&user_code=" + device.strUserCode);
        COAuthTokens tokens;
        auto sleep = [&](int) { return *c.answer != '\0'; };
        EXPECT_FALSE(client.WaitForDevice(device, tokens, error, sleep));
        EXPECT_EQ(error.eFailure, c.failure) << c.answer << ": " << error.strText;
        EXPECT_EQ(tokens.strAccessToken, "");
    }
}
