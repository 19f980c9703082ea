#pragma once
// Mode "GET" of BMIME: one message file into the tagged fields the engine
// reads ("From: ", "Date: ", "Subject: ", "Message-ID: ", "Body: ", one
// "File: " per attachment), all in code page 932. Attachments are written
// into a folder of their own inside the library's private folder.

#include "engine/maillib/CPrivateFolder.h"

#include <gmime/gmime.h>
#include <string>
#include <vector>

class CMimeDecoder {
public:
    // False with a UTF-8 reason when the file cannot be read as a message.
    bool Decode(const std::string& path, const CPrivateFolder& folder,
                std::vector<std::string>& fields, std::string& error);

    // Only the header fields ("From: ", "Date: ", "Subject: ",
    // "Message-ID: "), rendered exactly as Decode renders them, from the
    // message's header block alone: no body is decoded, no file written.
    bool DecodeHeaders(const std::string& path, std::vector<std::string>& fields,
                       std::string& error);

private:
    void Walk(GMimeObject* object, int depth);
    void ConsiderLeaf(GMimePart* part);
    std::string BodyText() const;
    std::vector<std::string> WriteAttachments(const CPrivateFolder& folder) const;

    GMimePart* m_pPlain = nullptr; // borrowed from the parsed message
    GMimePart* m_pHtml = nullptr;
    std::vector<GMimeObject*> m_attachments;
};

// The UTF-8 text of a text part: transfer encoding and charset decoded.
std::string DecodedPartText(GMimePart* part);

// Parses a message file; null when it cannot be opened.
GMimeMessage* ParseMessageFile(const std::string& path);
