#pragma once
// What the headless module (libquiben-once.so) hands the `quiben` program:
// the commands without a window, with the forwarding cycle and the mail
// library behind them. `quiben` itself links neither libcurl nor the TLS
// libraries, so it can start connecting to the mail server first and load
// them while the server gets ready to answer.

class CEarlyConnection;

inline constexpr const char* kOnceModuleFile = "libquiben-once.so";
inline constexpr const char* kOnceModuleEntry = "QuibenOnceModule";

// Changed whenever the table or a type it passes changes.
inline constexpr unsigned kOnceModuleVersion = 1;

// What pRunHeadless answers for a command line that belongs to the desktop
// program.
inline constexpr int kNotHeadless = -1;

struct COnceModuleTable {
    unsigned nVersion;
    unsigned nTableSize; // sizeof(COnceModuleTable) in the module's build
    // Runs the command of the command line when it needs no window and
    // returns its exit status. early, when started, connects to the receive
    // server; the cycle takes it over or closes it.
    int (*pRunHeadless)(int argc, char** argv, CEarlyConnection& early);
};
