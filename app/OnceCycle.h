#pragma once
// `quiben --once`: one forwarding cycle without any window. It needs no Qt,
// so the program that runs it starts fast (see main.cpp).

#include <string>

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOtherCopy = 3;

// The name of the running copy: its local socket (see CInstanceChannel) is
// this name followed by the key of the locked program folder.
inline constexpr const char* kInstanceLockName = "qUI10_zT_KoRaV";

// Runs one cycle with strHome as the program folder (empty: the usual
// folder); returns the exit status: 0 when the cycle completed, 1 when it
// failed, 3 while another copy holds the instance lock.
int RunOnceCycle(const std::string& strHome);
