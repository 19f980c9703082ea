#pragma once
// What one forwarding cycle did, for whoever shows the program's health: the
// main window's badge and tooltip, the desktop notifications.

#include <ctime>
#include <string>

struct CycleReport {
    std::time_t tFinished = 0; // when the cycle ended; 0: no cycle has run yet
    bool bSucceeded = false;   // the cycle's own result (RunForwardCycle)
    int nForwarded = 0;        // messages that reached at least one address
    // Every error entry the cycle wrote to the log, in UTF-8, newest last,
    // separated by a line break; empty when the cycle logged nothing.
    std::string strErrors;
    // An OAuth2 account must sign in (again) before mail can move.
    bool bSignInNeeded = false;

    bool HadError() const { return !strErrors.empty(); }
};
