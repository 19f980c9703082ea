#include "engine/maillib/CImapSession.h"

#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CMessageFile.h"
#include "engine/maillib/ImapText.h"
#include "engine/maillib/MailTexts.h"
#include "engine/maillib/ReplyLines.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

namespace {

// Replies of STATUS, EXAMINE and a FETCH of 256 short lines: far below this.
constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
// Messages listed per FETCH command (see ListNewest).
constexpr long long kListingBatch = 64;

// "* 12 EXISTS" / "* 3 FETCH (...)": the number after "* ", when the word
// that follows it is word.
std::optional<unsigned long long> UntaggedNumber(std::string_view line, std::string_view word) {
    if (line.rfind("* ", 0) != 0)
        return std::nullopt;
    line.remove_prefix(2);
    unsigned long long value = 0;
    const char* last = line.data() + line.size();
    auto [end, ec] = std::from_chars(line.data(), last, value);
    if (ec != std::errc() || end == last || *end != ' ' ||
        std::string_view(end + 1, static_cast<std::size_t>(last - end - 1)).rfind(word, 0) != 0)
        return std::nullopt;
    return value;
}

// The tagged answer to EXAMINE must carry [READ-ONLY] (RFC 3501 6.3.2);
// without it nothing may be fetched.
bool EndsReadOnly(const std::string& lines) {
    std::string_view last;
    ForEachLine(lines, [&last](std::string_view line) {
        if (!line.empty() && line[0] != '*' && line[0] != '+')
            last = line;
    });
    return last.find(" OK [READ-ONLY]") != std::string_view::npos;
}

} // namespace

CImapStatus ParseImapStatus(const std::string& reply) {
    CImapStatus status;
    auto take = [](std::string_view line, std::string_view word, auto& value) {
        if (std::optional<unsigned long long> number = ImapNumberAfter(line, word))
            value = static_cast<std::remove_reference_t<decltype(value)>>(*number);
    };
    ForEachLine(reply, [&](std::string_view line) {
        if (line.rfind("* STATUS ", 0) == 0) {
            // The attributes follow the mailbox name, which may hold anything.
            std::string_view attributes = line.substr(line.rfind('('));
            take(attributes, "MESSAGES", status.nMessages);
            take(attributes, "UIDNEXT", status.nUidNext);
            take(attributes, "UIDVALIDITY", status.nUidValidity);
        } else if (line.rfind("* OK [", 0) == 0) {
            take(line, "UIDNEXT", status.nUidNext);
            take(line, "UIDVALIDITY", status.nUidValidity);
        } else if (std::optional<unsigned long long> exists = UntaggedNumber(line, "EXISTS")) {
            status.nMessages = static_cast<long long>(*exists);
        }
    });
    return status;
}

std::vector<CImapEntry> ParseImapFetchListing(const std::string& reply) {
    // By sequence number: a server may split one message's items over lines.
    std::map<unsigned long long, CImapEntry> bySequence;
    ForEachLine(reply, [&](std::string_view line) {
        std::optional<unsigned long long> sequence = UntaggedNumber(line, "FETCH (");
        if (!sequence)
            return;
        CImapEntry& entry = bySequence[*sequence];
        if (std::optional<unsigned long long> uid = ImapNumberAfter(line, "UID"))
            entry.nUid = *uid;
        if (std::optional<unsigned long long> size = ImapNumberAfter(line, "RFC822.SIZE"))
            entry.nSize = static_cast<long long>(*size);
    });
    std::vector<CImapEntry> entries;
    for (const auto& [sequence, entry] : bySequence)
        if (entry.nUid != 0 && entry.nSize >= 0)
            entries.push_back(entry);
    std::sort(entries.begin(), entries.end(),
              [](const CImapEntry& a, const CImapEntry& b) { return a.nUid < b.nUid; });
    // UIDs are unique in a mailbox; a server that repeats one is taken once.
    entries.erase(
        std::unique(entries.begin(), entries.end(),
                    [](const CImapEntry& a, const CImapEntry& b) { return a.nUid == b.nUid; }),
        entries.end());
    return entries;
}

CImapSession::CImapSession(const CServerAddress& server, const std::string& user,
                           const std::string& password, const std::string& accessToken)
    : m_server(server), m_strMailbox(EncodeImapMailboxName(server.Mailbox())) {
    if (!m_curl.IsValid())
        return;
    m_curl.Configure(server, user, password);
    if (!accessToken.empty())
        m_curl.UseAccessToken(accessToken);
}

std::string CImapSession::MailboxUrl() const {
    return m_server.Url() + EncodeUrlPath(m_strMailbox);
}

std::string CImapSession::Fail(CURLcode code) {
    m_bExamined = false;
    m_bTokenRefused = m_curl.TokenRefused(code);
    if (m_bTokenRefused)
        return CErrorText::Join(mailtext::kTokenRefused, m_curl.LastErrorReply());
    // STATUS of a mailbox the server does not have fails as a command
    // (CURLE_QUOTE_ERROR), libcurl's own SELECT of it as a login.
    bool noMailbox = code == CURLE_QUOTE_ERROR ||
                     (code == CURLE_LOGIN_DENIED && m_curl.ErrorDetail() == "Select failed");
    if (noMailbox)
        return CErrorText::Join(mailtext::kNoMailbox, m_server.Mailbox());
    return m_curl.DescribeFailure(code, m_server);
}

CURLcode CImapSession::Command(const std::string& url, const std::string& command,
                               std::string& reply) {
    CURL* curl = m_curl.Get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBounded<kMaxReplyBytes>);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    m_curl.BoundTransfer(0);
    CURLcode code = m_curl.Perform();
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    return code;
}

bool CImapSession::Status(CImapStatus& status, std::string& error) {
    if (!m_curl.IsValid() || m_strMailbox.empty()) {
        error = m_curl.IsValid() ? mailtext::kBadMailbox : mailtext::kNetwork;
        return false;
    }
    // Without a mailbox in the URL libcurl opens none.
    std::string reply;
    CURLcode code = Command(
        m_server.Url(),
        "STATUS " + QuoteImapString(m_strMailbox) + " (MESSAGES UIDNEXT UIDVALIDITY)", reply);
    if (code != CURLE_OK) {
        error = Fail(code);
        return false;
    }
    status = ParseImapStatus(reply);
    return true;
}

bool CImapSession::Examine(CImapStatus& status, std::string& error) {
    if (!m_curl.IsValid() || m_strMailbox.empty()) {
        error = m_curl.IsValid() ? mailtext::kBadMailbox : mailtext::kNetwork;
        return false;
    }
    // libcurl opens the URL's mailbox itself (SELECT), then sends EXAMINE
    // on the same connection and from then on takes the mailbox as open.
    CURL* curl = m_curl.Get();
    std::string lines;
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &AppendBounded<kMaxReplyBytes>);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &lines);
    std::string reply;
    CURLcode code = Command(MailboxUrl(), "EXAMINE " + QuoteImapString(m_strMailbox), reply);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);
    if (code != CURLE_OK) {
        error = Fail(code);
        return false;
    }
    status = ParseImapStatus(reply);
    if (!EndsReadOnly(lines) || status.nUidValidity == 0 || status.nMessages < 0) {
        m_bExamined = false;
        error = mailtext::kNotReadOnly;
        return false;
    }
    m_bExamined = true;
    m_nUidValidity = status.nUidValidity;
    m_nExists = status.nMessages;
    return true;
}

bool CImapSession::ListNewest(std::size_t nMax, std::vector<CImapEntry>& entries,
                              std::string& error) {
    entries.clear();
    if (!m_bExamined) {
        error = mailtext::kNotReadOnly;
        return false;
    }
    if (m_nExists == 0 || nMax == 0)
        return true;
    const long long first = std::max<long long>(1, m_nExists - static_cast<long long>(nMax) + 1);
    std::string reply;
    // libcurl counts a command's reply lines as headers, each line adding
    // all the lines before it, and refuses a reply past 300 KB: some 130
    // listing lines. So the listing goes in batches; the last one ends in
    // "*" for mail that arrived meanwhile.
    for (long long from = first; from <= m_nExists; from += kListingBatch) {
        const long long to = from + kListingBatch - 1;
        std::string range =
            std::to_string(from) + ":" + (to >= m_nExists ? "*" : std::to_string(to));
        // A new connection here would open the mailbox read-write.
        m_curl.AllowNewConnections(false);
        CURLcode code = Command(MailboxUrl(), "FETCH " + range + " (UID RFC822.SIZE)", reply);
        m_curl.AllowNewConnections(true);
        if (code != CURLE_OK) {
            error = Fail(code);
            return false;
        }
    }
    entries = ParseImapFetchListing(reply);
    if (entries.size() > nMax)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(nMax));
    return true;
}

CImapSession::ERetrieve CImapSession::Retrieve(unsigned long long uid, const std::string& path,
                                               std::string& error, long long nListedSize) {
    const unsigned long long listedValidity = m_nUidValidity;
    // One more try when the connection was lost (a server closing idle
    // connections) or the fetch met another client's changes: the mailbox
    // is examined again first, on a new connection if need be.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_bExamined) {
            CImapStatus status;
            if (!Examine(status, error))
                return ERetrieve::Failed;
            if (status.nUidValidity != listedValidity) {
                error = mailtext::kMailboxRenewed;
                return ERetrieve::Failed;
            }
        }
        CURLcode code = CURLE_OK;
        ERetrieve result = FetchOnce(uid, path, error, nListedSize, code);
        if (result != ERetrieve::Failed || !WorthAnotherTry(code))
            return result;
    }
    return ERetrieve::Failed;
}

// The server closed the connection (seen when it is used, or refused as
// dead before), or told of changes by other clients first ("* 4 EXISTS",
// "* 2 EXPUNGE"), which libcurl takes for a broken answer to the fetch; a
// freshly examined mailbox has no such news pending. Anything else would
// fail again.
bool CImapSession::WorthAnotherTry(CURLcode code) const {
    return m_curl.RefusedNewConnection() || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR ||
           code == CURLE_GOT_NOTHING || code == CURLE_WEIRD_SERVER_REPLY;
}

CImapSession::ERetrieve CImapSession::FetchOnce(unsigned long long uid, const std::string& path,
                                                std::string& error, long long nListedSize,
                                                CURLcode& code) {
    CMessageFile file(path);
    if (!file.IsOpen()) {
        error = mailtext::kSaveFailed;
        return ERetrieve::Failed;
    }
    // The UIDVALIDITY in the URL makes libcurl refuse the fetch should the
    // mailbox have been replaced: the UID would name another message.
    std::string url = MailboxUrl() + ";UIDVALIDITY=" + std::to_string(m_nUidValidity) +
                      "/;UID=" + std::to_string(uid);
    CURL* curl = m_curl.Get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CMessageFile::Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &file);
    m_curl.BoundTransfer(nListedSize);
    m_curl.AllowNewConnections(false);
    code = m_curl.Perform();
    m_curl.AllowNewConnections(true);
    // A cut connection can end the transfer without error; the listed size
    // shows it.
    bool cut = code == CURLE_OK && file.Bytes() < nListedSize;
    if (code == CURLE_OK && !cut && file.Keep())
        return ERetrieve::Ok;
    if (code == CURLE_REMOTE_FILE_NOT_FOUND) {
        // libcurl closes the connection after it.
        m_bExamined = false;
        return ERetrieve::Gone;
    }
    error = file.WriteFailed() || (code == CURLE_OK && !cut) ? mailtext::kSaveFailed
            : cut                                            ? mailtext::kIncomplete
                                                             : Fail(code);
    m_bExamined = false;
    return ERetrieve::Failed;
}
