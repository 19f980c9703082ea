#pragma once
// Process-wide settings of the library that are not arguments of the mail
// calls: the extra CA file, the network time-outs and the transfer bound.

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

    // A server may trickle data just fast enough never to stall; the bound
    // ends such a transfer. Generous for large mail: the base plus one second
    // per kilobytesPerSecond KB. Values below 1 are raised to 1.
    static constexpr long kDefaultTransferBaseSeconds = 60;
    static constexpr long kDefaultTransferKilobytesPerSecond = 10;
    void SetTransferBound(long baseSeconds, long kilobytesPerSecond);
    // The bound in seconds for a transfer of nBytes.
    long TransferSeconds(long long nBytes) const;

private:
    CMailOptions() = default;

    mutable std::mutex m_mutex;
    std::string m_strCaFile;
    long m_nConnectSeconds = kDefaultConnectSeconds;
    long m_nStallSeconds = kDefaultStallSeconds;
    long m_nTransferBaseSeconds = kDefaultTransferBaseSeconds;
    long m_nTransferKilobytesPerSecond = kDefaultTransferKilobytesPerSecond;
};
