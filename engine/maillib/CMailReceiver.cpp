#include "engine/maillib/CMailReceiver.h"

#include "engine/maillib/CPop3Session.h"
#include "engine/maillib/CPrivateFolder.h"
#include "engine/maillib/CServerAddress.h"
#include "engine/maillib/MailTexts.h"
#include "engine/maillib/maillib.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

std::string MessageFileName(size_t position) {
    char name[32];
    std::snprintf(name, sizeof name, "%03zu.eml", position + 1);
    return name;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A mailbox larger than the list holds is cut at the old end, so mail that
// arrives later is still seen.
std::vector<CPop3Entry> NewestEntries(std::vector<CPop3Entry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const CPop3Entry& a, const CPop3Entry& b) { return a.nNumber < b.nNumber; });
    if (entries.size() > static_cast<size_t>(kMailListMax))
        entries.erase(entries.begin(), entries.end() - kMailListMax);
    return entries;
}

void RemoveFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        unlink(path.c_str());
}

} // namespace

bool CMailReceiver::ReceiveAll(const std::string& serverText, const std::string& account,
                               const std::string& password, const std::string& tempDir,
                               std::vector<std::string>& paths, std::string& error) {
    paths.clear();
    CServerAddress server;
    if (serverText.empty()) {
        error = mailtext::kNoServer;
        return false;
    }
    if (!server.Parse(serverText, EMailProtocol::Pop3)) {
        error = mailtext::kBadServer;
        return false;
    }
    // USER and PASS lines: a line break would end the command early.
    if (HasLineBreak(account) || HasLineBreak(password)) {
        error = mailtext::kUnsafeAccount;
        return false;
    }
    CPrivateFolder folder;
    if (!folder.Open(tempDir, error))
        return false;
    folder.ClearCycleFiles();

    CPop3Session session(server, Cp932ToUtf8(account), Cp932ToUtf8(password));
    std::vector<CPop3Entry> entries;
    if (!session.List(entries, error))
        return false;
    entries = NewestEntries(std::move(entries));
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string path = folder.MailFolder() + "/" + MessageFileName(i);
        if (!session.Retrieve(entries[i].nNumber, path, error, entries[i].nSize)) {
            RemoveFiles(paths);
            paths.clear();
            return false;
        }
        paths.push_back(path);
    }
    return true;
}
