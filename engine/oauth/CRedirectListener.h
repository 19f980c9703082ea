#pragma once
// The one-shot receiver of the browser's redirect after a code-flow sign-in:
// listens on 127.0.0.1 at a port the system picks, takes the single request
// that carries the expected state, answers the browser with a short page and
// closes. Requests without that state (another local program guessing) are
// answered 400 and do not end the wait.

#include "engine/oauth/COAuthError.h"

#include <atomic>
#include <string>

class CRedirectListener {
public:
    CRedirectListener();
    ~CRedirectListener();
    CRedirectListener(const CRedirectListener&) = delete;
    CRedirectListener& operator=(const CRedirectListener&) = delete;

    // Binds to 127.0.0.1 on a free port.
    bool Listen(COAuthError& error);
    // "http://127.0.0.1:PORT/", empty before Listen succeeded.
    std::string RedirectUri() const;

    // Waits for the redirect with this state. On success code holds the
    // authorization code; a provider's refusal (the user said no) fails with
    // SignInAgain, the time running out or Cancel with Cancelled.
    bool WaitForCode(const std::string& state, int timeoutSeconds, std::string& code,
                     COAuthError& error);

    // From any thread: the wait ends at once with Cancelled.
    void Cancel();

    // The code of a redirect URL the user copied from the browser's address
    // bar (where the browser runs on another machine than the listener),
    // with the same checks and failures as WaitForCode.
    static bool CodeOfPastedRedirect(const std::string& url, const std::string& state,
                                     std::string& code, COAuthError& error);

private:
    enum class ERequest { Ignored, Code, Refused };
    ERequest Answer(int connection, const std::string& state, std::string& code);

    int m_nListenFd = -1;
    int m_nCancelFd = -1;
    int m_nPort = 0;
    std::string m_strRefusal; // the provider's error name of a refused sign-in
};
