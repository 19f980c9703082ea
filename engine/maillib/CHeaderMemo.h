#pragma once
// The header fields of cached messages, kept in one index file in the cache
// folder under the message's UIDL and size, so that the search for the last
// forwarded message costs one small file read per cycle instead of a header
// parse per message. A record speaks for the message the cache holds under
// the same UIDL and size, no other. Losing the index loses nothing but time:
// it is written whole under a temporary name and renamed.

#include "engine/maillib/maillib.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

class CHeaderMemo {
public:
    // One memo per process: the receive call opens it, the decode calls of
    // the same cycle read and fill it. What they learned is written at the
    // next receive call or at the end of the process.
    static CHeaderMemo& Instance();
    ~CHeaderMemo();

    // Writes what the last receive call's cycle learned, keeping only the
    // records of the messages it listed, then forgets it all.
    void Flush();

    // The cache folder of this receive call (the index lives in it) and the
    // UIDLs it listed; only those are recalled or kept.
    void Open(const std::string& cacheFolder, std::unordered_set<std::string> uidls);

    // The kept fields of the message; false when none are kept for it.
    bool Recall(const CReceivedMessage& message, CMessageHeader& header);

    // Keeps the decoded fields of the message for later cycles.
    void Keep(const CReceivedMessage& message, const CMessageHeader& header);

    // The index's name inside the cache folder.
    static constexpr const char* kIndexName = "headers.idx";

private:
    struct CRecord {
        long long nSize = 0;
        CMessageHeader header;
    };

    bool Covers(const CReceivedMessage& message) const;
    void Load();
    std::string Serialize() const;

    std::string m_strCacheFolder;
    std::unordered_set<std::string> m_setListed;
    std::unordered_map<std::string, CRecord> m_mapRecords; // by UIDL
    bool m_bLoaded = false;
    bool m_bChanged = false;
};
