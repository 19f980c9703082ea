#pragma once
// Messages already retrieved, kept in the library's private folder under
// their server UIDL, so a cycle retrieves only what is new. A file enters
// the cache only when complete (retrieved under a temporary name, its size
// equal to the server's LIST size, then renamed). The cycle never gets the
// cache's own file: it gets a fresh one (a hard link, else a copy) that it
// may remove. Nothing found in the cache folder is trusted: the folder must
// be a real folder of the running user closed to everyone else, and every
// entry a plain file of that user, not linked elsewhere, of the right size;
// anything else is removed.

#include <string>
#include <unordered_set>

class CMessageCache {
public:
    // Opens the cache folder at path, creating it, or removing and creating
    // it again when it cannot be trusted. False: no cache for this call (the
    // caller retrieves everything as if the cache were empty).
    bool Open(const std::string& path);
    bool IsOpen() const { return !m_strPath.empty(); }

    // Removes entries whose UIDL is not among uidlsOnServer and everything in
    // the folder that is no entry (left-over temporary files, foreign names).
    void Prune(const std::unordered_set<std::string>& uidlsOnServer) const;

    // Creates target as a fresh file with the cached message of that UIDL
    // when the cache holds one of exactly size bytes. An entry that fails a
    // check is removed. False: not cached, target not created.
    bool Deliver(const std::string& uidl, long long size, const std::string& target) const;

    // A new temporary name inside the cache folder to retrieve into.
    std::string TemporaryPath() const;

    // Takes a completely retrieved file into the cache under uidl and creates
    // target from it. When the entry cannot be made, the file itself is moved
    // to target. False when target could not be created at all.
    bool Adopt(const std::string& tempPath, const std::string& uidl,
               const std::string& target) const;

    // The entry's file name for a UIDL (hexadecimal, so any byte of it is
    // safe in a name); empty when the UIDL cannot be cached.
    static std::string EntryName(const std::string& uidl);

private:
    std::string EntryPath(const std::string& uidl) const;

    std::string m_strPath;
};
