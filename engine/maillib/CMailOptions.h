#pragma once
// Process-wide settings of the library that are not arguments of the three
// mail calls: the extra CA file and the network time-outs.

#include <mutex>
#include <string>

class CMailOptions {
public:
    // Defaults bound a dead server to about a minute: a connect (greeting and
    // TLS handshake included) of at most 30 s, then at most 30 s of silence.
    static constexpr long kDefaultConnectSeconds = 30;
    static constexpr long kDefaultStallSeconds = 30;

    static CMailOptions& Instance();

    void SetCaFile(std::string path);
    std::string CaFile() const;

    // Values below 1 second are raised to 1; tests use short ones so a dead
    // server fails quickly.
    void SetTimeouts(long connectSeconds, long stallSeconds);
    long ConnectSeconds() const;
    long StallSeconds() const;

private:
    CMailOptions() = default;

    mutable std::mutex m_mutex;
    std::string m_strCaFile;
    long m_nConnectSeconds = kDefaultConnectSeconds;
    long m_nStallSeconds = kDefaultStallSeconds;
};
