#pragma once
// The header fields of cached messages, kept in one index file in the cache
// folder, so that the search for the last forwarded message costs one small
// file read per cycle instead of a header parse per message. A cycle file is
// answered from the memo only while it is still the cache entry's own file
// (same inode, size and time), and a record only while it names that same
// file; anything else is decoded afresh. Losing the index loses nothing but
// time: it is written whole under a temporary name and renamed.

#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

class CHeaderMemo {
public:
    // One memo per process: the receive call fills it, the decode calls of
    // the same cycle read it. What it learned is written at the next receive
    // call or at the end of the process.
    static CHeaderMemo& Instance();
    ~CHeaderMemo();

    // Writes what the last receive call's cycle learned, then forgets it.
    void Flush();

    // The cache folder of this receive call; the index lives in it.
    void Open(const std::string& cacheFolder);

    // receivedPath was handed out from the cache entry of uidl; info is what
    // lstat said of the entry.
    void Remember(const std::string& receivedPath, const std::string& uidl,
                  const struct stat& info);

    // The kept fields of receivedPath's message; false when none can be trusted.
    bool Recall(const std::string& receivedPath, std::vector<std::string>& fields);

    // Keeps the decoded fields of receivedPath's message for later cycles.
    void Keep(const std::string& receivedPath, const std::vector<std::string>& fields);

    // The index's name inside the cache folder.
    static constexpr const char* kIndexName = "headers.idx";

private:
    // Which file a record or a handed-out cycle file stands for.
    struct CFileStamp {
        dev_t nDevice = 0;
        ino_t nInode = 0;
        off_t nSize = 0;
        long long nModified = 0; // nanoseconds
        bool operator==(const CFileStamp&) const = default;
    };
    struct CRecord {
        CFileStamp stamp;
        std::vector<std::string> fields;
    };
    struct CHandout {
        std::string strUidl;
        CFileStamp stamp;
    };

    static CFileStamp StampOf(const struct stat& info);
    const CHandout* StillHandedOut(const std::string& receivedPath) const;
    void Load();
    std::string Serialize() const;

    std::string m_strCacheFolder;
    std::unordered_map<std::string, CRecord> m_mapRecords;   // by UIDL
    std::unordered_map<std::string, CHandout> m_mapHandouts; // by cycle file
    bool m_bLoaded = false;
    bool m_bChanged = false;
};
