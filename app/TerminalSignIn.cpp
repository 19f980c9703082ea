#include "app/TerminalSignIn.h"

#include "app/OnceCycle.h"
#include "config/CSettingsStore.h"
#include "config/schema.h"
#include "engine/CTokenKeeper.h"
#include "engine/oauth/CCodeFlowSignIn.h"
#include "engine/oauth/COAuthClient.h"
#include "platform/codepage.h"
#include "platform/paths.h"

#include <atomic>
#include <cstdio>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// How long the terminal waits for the browser or a pasted address.
constexpr int kCodeFlowSeconds = 600;

void PrintNow(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// One line from stdin, or false at its end or once done is set.
bool ReadLineUnless(const std::atomic<bool>& done, std::string& line) {
    line.clear();
    while (!done) {
        pollfd ready{STDIN_FILENO, POLLIN, 0};
        if (poll(&ready, 1, 200) <= 0)
            continue;
        char c = 0;
        if (read(STDIN_FILENO, &c, 1) != 1)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
    return false;
}

// The browser comes back to the loopback listener, or the user pastes the
// address it came back to (a browser on another machine cannot reach it).
bool CodeFlowAtTerminal(const COAuthProvider& provider, const std::string& loginHint,
                        COAuthTokens& tokens, COAuthError& error) {
    CCodeFlowSignIn signIn(provider, loginHint);
    std::string url;
    if (!signIn.Start(url, error))
        return false;
    PrintNow("Open this address in a browser and sign in:\n\n  " + url +
             "\n\nWhen the browser runs on this machine, the sign-in completes by itself.\n"
             "Otherwise copy the address the browser shows at the end (it starts with\n"
             "http://127.0.0.1 or http://localhost) and paste it here, then press Enter:\n");
    std::atomic<bool> done = false;
    bool bListened = false;
    COAuthTokens listened;
    COAuthError listenError;
    std::thread waiter([&] {
        bListened = signIn.Finish(kCodeFlowSeconds, listened, listenError);
        done = true;
    });
    std::string line;
    bool bPasted = false;
    while (!bPasted && ReadLineUnless(done, line))
        bPasted =
            line.find("code=") != std::string::npos || line.find("error=") != std::string::npos;
    if (bPasted)
        signIn.Cancel();
    waiter.join();
    if (bListened || !bPasted) {
        tokens = listened;
        error = listenError;
        return bListened;
    }
    return signIn.FinishWithPastedRedirect(line, tokens, error);
}

bool DeviceFlowAtTerminal(const COAuthProvider& provider, COAuthTokens& tokens,
                          COAuthError& error) {
    COAuthClient client(provider);
    COAuthDeviceCode device;
    if (!client.RequestDeviceCode(device, error))
        return false;
    PrintNow(device.Instructions() + "\n");
    if (!device.strVerificationUrlComplete.empty())
        PrintNow("(" + device.strVerificationUrlComplete + ")\n");
    PrintNow("Waiting for the sign-in to be approved...\n");
    return client.WaitForDevice(device, tokens, error);
}

} // namespace

bool NeedsTerminalSignIn(CSettingsStore& store) {
    CTokenKeeper keeper(store);
    return keeper.SignIn().IsOAuth2() && !keeper.HasTokens();
}

bool SignInAtTerminal(CSettingsStore& store) {
    CTokenKeeper keeper(store);
    const CSignInSettings& settings = keeper.SignIn();
    if (!settings.IsOAuth2()) {
        std::fprintf(stderr,
                     "quiben: the account signs in with a password (set RECV/AUTH=%s "
                     "or choose OAuth2 on the account page)\n",
                     CSignInSettings::kAuthOAuth2);
        return false;
    }
    const COAuthProvider provider = ProviderOfSettings(settings, keeper.Account());
    const bool bDeviceFlow =
        settings.strProvider != CSignInSettings::kProviderGoogle && !provider.strDeviceUrl.empty();
    COAuthTokens tokens;
    COAuthError error;
    const bool bSignedIn =
        bDeviceFlow ? DeviceFlowAtTerminal(provider, tokens, error)
                    : CodeFlowAtTerminal(provider, Cp932ToUtf8(keeper.Account().strMailAddress),
                                         tokens, error);
    if (!bSignedIn) {
        std::fprintf(stderr, "quiben: サインインできませんでした: %s\n", error.strText.c_str());
        return false;
    }
    if (keeper.Keep(tokens)) {
        PrintNow(
            "quiben: サインインしました。トークンはデスクトップのキーリングに保存しました。\n");
    } else {
        PrintNow("quiben: サインインしました。キーリングを使えないため (" +
                 keeper.KeyringProblem() + ")、トークンは " +
                 JoinPath(store.AppDir(), schema::kIniFile) +
                 " (持ち主だけが読めるファイル) に保存しました。\n");
    }
    return true;
}

int RunSignInCommand(const std::string& strHome) {
    const std::string appDir = ResolveAppDir(strHome);
    if (appDir.empty()) {
        std::fprintf(stderr, "quiben: the program folder cannot be used\n");
        return kExitFailed;
    }
    CSettingsStore store(appDir);
    return SignInAtTerminal(store) ? kExitOk : kExitFailed;
}
