#include "engine/maillib/CPop3Session.h"

#include "engine/maillib/MailTexts.h"

#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace {

// A runaway LIST (a hostile server) must not eat memory: a mailbox of a
// million messages lists in well under this.
constexpr size_t kMaxListingBytes = 64 * 1024 * 1024;

struct CFileSink {
    std::FILE* pFile = nullptr;
    bool bFailed = false;
    long long nBytes = 0;
};

} // namespace

CPop3Session::CPop3Session(const CServerAddress& server, const std::string& user,
                           const std::string& password)
    : m_server(server) {
    if (m_curl.IsValid())
        m_curl.Configure(server, user, password);
}

size_t CPop3Session::AppendToString(char* data, size_t size, size_t count, void* target) {
    auto* text = static_cast<std::string*>(target);
    if (text->size() + size * count > kMaxListingBytes)
        return 0;
    text->append(data, size * count);
    return size * count;
}

size_t CPop3Session::WriteToFile(char* data, size_t size, size_t count, void* target) {
    auto* sink = static_cast<CFileSink*>(target);
    if (std::fwrite(data, size, count, sink->pFile) != count) {
        sink->bFailed = true;
        return 0;
    }
    sink->nBytes += static_cast<long long>(size * count);
    return size * count;
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
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CPop3Session::AppendToString);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &listing);
    CURLcode code = m_curl.Perform();
    if (code != CURLE_OK) {
        error = m_curl.DescribeFailure(code, m_server);
        return false;
    }
    entries = ParsePop3Listing(listing);
    return true;
}

bool CPop3Session::Retrieve(int number, const std::string& path, std::string& error,
                            long long nListedSize) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    std::FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        if (fd >= 0)
            close(fd);
        error = mailtext::kSaveFailed;
        return false;
    }
    CFileSink sink{file};
    CURL* curl = m_curl.Get();
    std::string url = m_server.Url() + std::to_string(number);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CPop3Session::WriteToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    CURLcode code = m_curl.Perform();
    bool closed = std::fclose(file) == 0;
    // libcurl ends a retrieval without error when the connection drops in
    // the middle of it; only the size the server listed shows the cut.
    bool cut = code == CURLE_OK && sink.nBytes < nListedSize;
    if (code != CURLE_OK || sink.bFailed || !closed || cut) {
        error = (sink.bFailed || !closed) ? mailtext::kSaveFailed
                : cut                     ? mailtext::kIncomplete
                                          : m_curl.DescribeFailure(code, m_server);
        unlink(path.c_str());
        return false;
    }
    return true;
}

std::vector<CPop3Entry> ParsePop3Listing(const std::string& listing) {
    std::vector<CPop3Entry> entries;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        CPop3Entry entry;
        char extra = 0;
        if (std::sscanf(line.c_str(), "%d %lld %c", &entry.nNumber, &entry.nSize, &extra) >= 2 &&
            entry.nNumber > 0)
            entries.push_back(entry);
    }
    return entries;
}
