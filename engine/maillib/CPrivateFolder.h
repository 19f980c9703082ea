#pragma once
// The library's own folder inside the temporary folder: "quiben-<uid>",
// mode 0700, owned by the running user. Received message files and decoded
// attachments live there, never at guessable names in the shared folder.
// A folder of that name that is a link, not a folder, or someone else's is
// refused, not used.

#include <string>

class CPrivateFolder {
public:
    // Creates or checks the folder inside tempDir. False with a UTF-8
    // reason when it cannot be used safely.
    bool Open(const std::string& tempDir, std::string& error);

    const std::string& Path() const { return m_strPath; }
    // "mail": one file per received message of the current cycle.
    std::string MailFolder() const;
    // "attach": one sub-folder per decoded message.
    std::string AttachFolder() const;
    // "cache": messages already retrieved, kept across cycles (CMessageCache).
    std::string CacheFolder() const;

    // Removes everything an earlier cycle left in "mail" and "attach", so
    // attachments never pile up. Links are removed, never followed.
    void ClearCycleFiles() const;

    // A new empty sub-folder of "attach" (0700) for one message's files;
    // empty on failure.
    std::string NewAttachmentFolder() const;

private:
    bool EnsureSubfolder(const std::string& path, std::string& error) const;

    std::string m_strPath;
};

// True when path is a real folder (not a link) owned by the running user
// with no access for group or others, after fixing its mode if needed.
bool IsSafePrivateFolder(const std::string& path);
