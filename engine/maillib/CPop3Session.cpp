#include "engine/maillib/CPop3Session.h"

#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CMessageFile.h"
#include "engine/maillib/MailTexts.h"
#include "engine/maillib/ReplyLines.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_map>

namespace {

// A runaway LIST (a hostile server) must not eat memory: a mailbox of a
// million messages lists in well under this.
constexpr size_t kMaxListingBytes = 64 * 1024 * 1024;
// The longest UIDL a server may give (RFC 1939).
constexpr size_t kMaxUidlLength = 70;

} // namespace

CPop3Session::CPop3Session(const CServerAddress& server, const std::string& user,
                           const std::string& password, const std::string& accessToken)
    : m_server(server) {
    if (!m_curl.IsValid())
        return;
    m_curl.Configure(server, user, password);
    if (!accessToken.empty())
        m_curl.UseAccessToken(accessToken);
}

std::string CPop3Session::Fail(CURLcode code) {
    m_bTokenRefused = m_curl.TokenRefused(code);
    if (m_bTokenRefused)
        return CErrorText::Join(mailtext::kTokenRefused, m_curl.LastErrorReply());
    return m_curl.DescribeFailure(code, m_server);
}

bool CPop3Session::List(std::vector<CPop3Entry>& entries, std::string& error) {
    if (!m_curl.IsValid()) {
        error = mailtext::kNetwork;
        return false;
    }
    std::string listing;
    CURL* curl = m_curl.Get();
    curl_easy_setopt(curl, CURLOPT_URL, m_server.Url().c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBounded<kMaxListingBytes>);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &listing);
    CURLcode code = m_curl.Perform();
    if (code != CURLE_OK) {
        error = Fail(code);
        return false;
    }
    entries = ParsePop3Listing(listing);
    return true;
}

bool CPop3Session::AddUidls(std::vector<CPop3Entry>& entries, std::string& error) {
    std::string listing;
    CURL* curl = m_curl.Get();
    curl_easy_setopt(curl, CURLOPT_URL, m_server.Url().c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "UIDL");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBounded<kMaxListingBytes>);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &listing);
    CURLcode code = m_curl.Perform();
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    if (code != CURLE_OK) {
        error = m_curl.DescribeFailure(code, m_server);
        return false;
    }
    // Servers list messages 1 to n in order; the lookup table is needed only
    // for one that does not.
    bool dense = true;
    for (size_t i = 0; i < entries.size() && dense; ++i)
        dense = entries[i].nNumber == static_cast<int>(i + 1);
    std::unordered_map<int, size_t> indexOfNumber;
    if (!dense) {
        indexOfNumber.reserve(entries.size());
        for (size_t i = 0; i < entries.size(); ++i)
            indexOfNumber.emplace(entries[i].nNumber, i);
    }
    for (auto& [number, uidl] : ParsePop3UidlListing(listing)) {
        if (dense && static_cast<size_t>(number) <= entries.size()) {
            entries[static_cast<size_t>(number) - 1].strUidl = std::move(uidl);
        } else if (!dense) {
            auto it = indexOfNumber.find(number);
            if (it != indexOfNumber.end())
                entries[it->second].strUidl = std::move(uidl);
        }
    }
    return true;
}

bool CPop3Session::Retrieve(int number, const std::string& path, std::string& error,
                            long long nListedSize) {
    CMessageFile file(path);
    if (!file.IsOpen()) {
        error = mailtext::kSaveFailed;
        return false;
    }
    CURL* curl = m_curl.Get();
    std::string url = m_server.Url() + std::to_string(number);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CMessageFile::Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &file);
    m_curl.BoundTransfer(nListedSize);
    CURLcode code = m_curl.Perform();
    // libcurl ends a retrieval without error when the connection drops in
    // the middle of it; only the size the server listed shows the cut.
    bool cut = code == CURLE_OK && file.Bytes() < nListedSize;
    if (code != CURLE_OK || cut || !file.Keep()) {
        error = file.WriteFailed() || (code == CURLE_OK && !cut) ? mailtext::kSaveFailed
                : cut                                            ? mailtext::kIncomplete
                      : m_curl.DescribeFailure(code, m_server);
        return false;
    }
    return true;
}

namespace {

// A positive decimal number at the start of text, followed by one space;
// the rest of the line is left in text.
template <typename Number> bool TakeNumberAndSpace(std::string_view& text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() + text.size() || *end != ' ' || value <= 0)
        return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
    return true;
}

bool IsPrintableUidl(std::string_view uidl) {
    return !uidl.empty() && uidl.size() <= kMaxUidlLength &&
           std::all_of(uidl.begin(), uidl.end(), [](char c) { return c >= 0x21 && c <= 0x7e; });
}

} // namespace

std::vector<std::pair<int, std::string>> ParsePop3UidlListing(const std::string& listing) {
    std::vector<std::pair<int, std::string>> uidls;
    ForEachLine(listing, [&uidls](std::string_view line) {
        int number = 0;
        if (TakeNumberAndSpace(line, number) && IsPrintableUidl(line))
            uidls.emplace_back(number, std::string(line));
    });
    return uidls;
}

std::vector<CPop3Entry> ParsePop3Listing(const std::string& listing) {
    std::vector<CPop3Entry> entries;
    ForEachLine(listing, [&entries](std::string_view line) {
        CPop3Entry entry;
        if (!TakeNumberAndSpace(line, entry.nNumber))
            return;
        // The size may be followed by more words (RFC 1939 allows them).
        auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), entry.nSize);
        bool sizeEnds = end == line.data() + line.size() || *end == ' ';
        if (ec == std::errc() && sizeEnds && entry.nSize >= 0)
            entries.push_back(entry);
    });
    return entries;
}
