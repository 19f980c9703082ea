#pragma once
// One message file into the values the cycle reads: the header fields, the
// body text and the attachments, which are written into a folder of their
// own inside the library's private folder.

#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/maillib.h"

#include <gmime/gmime.h>
#include <string>
#include <vector>

class CMimeDecoder {
public:
    // False with a reason when the file cannot be read as a message.
    bool Decode(const std::string& path, const CPrivateFolder& folder, CDecodedMessage& decoded,
                std::string& error);

    // Only the header fields, rendered exactly as Decode renders them, from
    // the message's header block alone: no body is decoded, no file written.
    bool DecodeHeaders(const std::string& path, CMessageHeader& header, std::string& error);

private:
    void Walk(GMimeObject* object, int depth);
    void ConsiderLeaf(GMimePart* part);
    std::string BodyText();
    std::vector<std::string> WriteAttachments(const CPrivateFolder& folder) const;

    GMimePart* m_pPlain = nullptr; // borrowed from the parsed message
    GMimePart* m_pHtml = nullptr;
    GMimePart* m_pNamedPlain = nullptr; // an inline text part that carries a file name
    std::vector<GMimeObject*> m_attachments;
};
