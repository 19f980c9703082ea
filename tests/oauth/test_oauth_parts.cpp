// The sign-in's pieces that need no server: reading providers' answers,
// what counts as due for a refresh, how tokens are kept, which endpoints
// may carry secrets.
#include "engine/CTokenKeeper.h"
#include "engine/oauth/CJsonObject.h"
#include "engine/oauth/COAuthProvider.h"
#include "engine/oauth/COAuthTokens.h"
#include "engine/oauth/CPkce.h"

#include <gtest/gtest.h>

TEST(JsonObjectTest, ReadsMembersOfProvidersAnswers) {
    CJsonObject json;
    ASSERT_TRUE(json.Parse(R"( {"access_token":"a\/b\u00e9\ud83d\ude00", "expires_in": 3599,
        "ext": {"nested": [1, {"x": "y"}]}, "ok": true, "n": null, "lifetime": "3600",
        "f": 2.5e1, "access_token": "second"} )"));
    EXPECT_EQ(json.String("access_token"), "a/bé😀"); // the first of repeated names
    EXPECT_EQ(json.Integer("expires_in"), 3599);
    EXPECT_EQ(json.Integer("lifetime"), 3600);
    EXPECT_EQ(json.Integer("f"), 25);
    EXPECT_EQ(json.String("expires_in"), std::nullopt);
    EXPECT_EQ(json.String("ext"), std::nullopt);
    EXPECT_EQ(json.Integer("ok"), std::nullopt);
    EXPECT_EQ(json.String("missing"), std::nullopt);
}

TEST(JsonObjectTest, RefusesWhatIsNotOneWellFormedObject) {
    for (const char* text :
         {"", "[]", "<html>502 Bad Gateway</html>", R"({"a":"b"} x)", R"({"a":"b",})",
          R"({"a":"\ud800"})", R"({"a":"line
break"})",
          R"({"a":tru})", R"({"a":01x})",
          "{\"a\":[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]}"}) {
        CJsonObject json;
        EXPECT_FALSE(json.Parse(text)) << text;
    }
    CJsonObject json;
    ASSERT_FALSE(json.Parse(R"({"error":"invalid_grant", )"));
    EXPECT_EQ(json.String("error"), std::nullopt);
}

TEST(OAuthTokensTest, RefreshIsDueAMinuteBeforeExpiryAndTokensSurviveTheKeyring) {
    COAuthTokens tokens{"access", "refresh", 1000};
    EXPECT_FALSE(tokens.NeedsRefresh(939));
    EXPECT_TRUE(tokens.NeedsRefresh(940));
    EXPECT_TRUE((COAuthTokens{"", "refresh", 0}.NeedsRefresh(0)));
    EXPECT_FALSE((COAuthTokens{"access", "refresh", 0}.NeedsRefresh(1LL << 40)));

    COAuthTokens read;
    ASSERT_TRUE(COAuthTokens::FromSecret(tokens.ToSecret(), read));
    EXPECT_EQ(read.strAccessToken, "access");
    EXPECT_EQ(read.strRefreshToken, "refresh");
    EXPECT_EQ(read.nExpiresAt, 1000);
    EXPECT_EQ(tokens.ToSecret().find('\n'), std::string::npos);
    for (std::string bad : {std::string("password"), tokens.ToSecret() + " extra",
                            std::string("quiben-oauth2/1 soon a b")}) {
        EXPECT_FALSE(COAuthTokens::FromSecret(bad, read)) << bad;
        EXPECT_EQ(read.strAccessToken, "access");
    }
}

TEST(OAuthProviderTest, SecretsTravelOnlyOverTlsOrToThisMachine) {
    EXPECT_TRUE(IsAllowedEndpoint(OAuthPreset(EOAuthPreset::Google).strTokenUrl));
    EXPECT_TRUE(IsAllowedEndpoint(OAuthPreset(EOAuthPreset::Microsoft).strDeviceUrl));
    EXPECT_TRUE(IsAllowedEndpoint("http://127.0.0.1:8080/token"));
    EXPECT_TRUE(IsAllowedEndpoint("http://localhost/token"));
    EXPECT_TRUE(IsAllowedEndpoint("http://[::1]:99/token"));
    EXPECT_FALSE(IsAllowedEndpoint("http://example.com/token"));
    EXPECT_FALSE(IsAllowedEndpoint("http://127.0.0.1.example.com/token"));
    EXPECT_FALSE(IsAllowedEndpoint("http://127.0.0.1@example.com/token"));
    EXPECT_FALSE(IsAllowedEndpoint("https://example.com/token\r\nX: y"));
    EXPECT_FALSE(IsAllowedEndpoint("ftp://example.com/"));
    EXPECT_FALSE(IsAllowedEndpoint(OAuthPreset(EOAuthPreset::Other).strTokenUrl));
}

TEST(OAuthProviderTest, MicrosoftScopeFollowsTheReceiveProtocol) {
    CSignInSettings signIn;
    signIn.strProvider = CSignInSettings::kProviderMicrosoft;
    CAccountSettings account;
    account.strPop3Server = "imaps://outlook.office365.com";
    const std::string imapScope = ProviderOfSettings(signIn, account).strScope;
    EXPECT_NE(imapScope.find("/IMAP.AccessAsUser.All"), std::string::npos) << imapScope;
    EXPECT_EQ(imapScope.find("/POP.AccessAsUser.All"), std::string::npos) << imapScope;
    account.strPop3Server = "outlook.office365.com:995";
    const std::string popScope = ProviderOfSettings(signIn, account).strScope;
    EXPECT_NE(popScope.find("/POP.AccessAsUser.All"), std::string::npos) << popScope;
    EXPECT_NE(popScope.find("offline_access"), std::string::npos) << popScope;
}

TEST(PkceTest, VerifiersAreFreshAndChallengesTheirS256) {
    CPkce first = CPkce::Generate();
    CPkce second = CPkce::Generate();
    EXPECT_EQ(first.strVerifier.size(), 43u);
    EXPECT_NE(first.strVerifier, second.strVerifier);
    EXPECT_EQ(first.strChallenge.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::string::npos);
    // The example of RFC 7636, appendix B.
    EXPECT_EQ(CPkce::ChallengeOf("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}
