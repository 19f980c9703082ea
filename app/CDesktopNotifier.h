#pragma once
// Desktop notifications about the forwarding, through the freedesktop
// notification service on the session bus: one when forwarding starts
// failing (the first failed cycle after start-up or after a good one, with
// its error), one when it works again. A failure that repeats every cycle
// notifies once. An OAuth2 sign-in that is needed has a notification of its
// own, also while forwarding already fails for another reason. Without a bus or a notification
// service nothing is shown and nothing is reported: the badge on the window still tells.

#include "engine/CycleReport.h"

#include <QString>

class CDesktopNotifier {
public:
    // Called after every cycle, on the user-interface thread.
    void OnCycleFinished(const CycleReport& report);

    bool IsFailing() const { return m_bFailing; }

private:
    // Never waits: the call goes out asynchronously with a time-out, and its
    // answer is not needed.
    static void Notify(const QString& strSummary, const QString& strBody, const char* pszIcon);

    bool m_bFailing = false;
    bool m_bSignInNeeded = false;
};
