#include "app/DesktopSignIn.h"

#include "config/CSettingsStore.h"
#include "engine/CTokenKeeper.h"

// A store of its own: the window's is not shared across threads.
CPageAccount::SignInRunner BrowserSignIn(const std::string& appDir) {
    constexpr int kBrowserSeconds = 300;
    return [appDir](const CAccountSettings& account, const CSignInSettings& signIn,
                    const CPageAccount::UrlOpener& openUrl) {
        CSettingsStore store(appDir);
        CTokenKeeper keeper(store);
        keeper.Use(account, signIn);
        COAuthError error;
        CSignInOutcome outcome;
        outcome.bSignedIn = keeper.SignInWithBrowser(openUrl, kBrowserSeconds, error);
        outcome.bKeptInIni = outcome.bSignedIn && !keeper.KeyringProblem().empty();
        outcome.strText = outcome.bSignedIn ? keeper.KeyringProblem() : error.strText;
        return outcome;
    };
}
