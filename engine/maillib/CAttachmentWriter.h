#pragma once
// Writes one message's attachments into its own folder under names that are
// safe whatever the mail says: a base name only (no separators, no "..", no
// control characters), in UTF-8, and unique within the folder.

#include <string>
#include <string_view>

class CAttachmentWriter {
public:
    // folder: a new private folder for this one message.
    explicit CAttachmentWriter(std::string folder) : m_strFolder(std::move(folder)) {}

    // Creates a new file (0600, never through an existing name or link) for
    // the attachment named utf8Name in the mail. Returns its path and an
    // open descriptor the caller closes; empty path and -1 on failure.
    std::string Create(std::string_view utf8Name, int& fd) const;

    // The name reduced to a safe base name; "attachment" when nothing usable
    // is left.
    static std::string SafeBaseName(std::string_view utf8Name);

private:
    std::string m_strFolder;
};
