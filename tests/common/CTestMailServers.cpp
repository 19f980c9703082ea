#include "tests/common/CTestMailServers.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <curl/curl.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ScriptPath() {
    return std::string(QUIBEN_SOURCE_DIR) + "/tests/servers/mailservers";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

void AppendLine(const std::string& path, const std::string& line) {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file << line << '\n';
}

// As root, Dovecot reads the mail as "nobody"; otherwise as the user.
void GiveToMailOwner(const std::string& path) {
    if (geteuid() != 0)
        return;
    const passwd* user = getpwnam("nobody");
    const group* group = getgrnam("nogroup");
    if (user != nullptr && group != nullptr &&
        chown(path.c_str(), user->pw_uid, group->gr_gid) != 0)
        std::perror(path.c_str());
}

void MakeOwnedFolder(const std::string& path) {
    mkdir(path.c_str(), 0700);
    GiveToMailOwner(path);
}

// As root, Dovecot reads the mail and the users as other users, who must be
// able to pass through every folder above ours; a private $TMPDIR would stop
// them, so /tmp is taken instead.
std::string ServersParentFolder() {
    std::filesystem::path folder = std::filesystem::temp_directory_path();
    if (geteuid() != 0)
        return folder.string();
    for (std::filesystem::path p = folder; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        struct stat info {};
        if (stat(p.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0)
            return "/tmp";
    }
    return folder.string();
}

} // namespace

CTestMailServers::CTestMailServers() {
    std::string base = ServersParentFolder() + "/quiben-servers-XXXXXX";
    if (mkdtemp(base.data()) == nullptr) {
        m_strStartError = "cannot create a folder for the servers";
        return;
    }
    m_strFolder = base;
    if (!RunScript("start") || !ReadPorts()) {
        m_strStartError = "mail servers did not start; see " + m_strFolder;
        return;
    }
    m_bRunning = true;
}

CTestMailServers::~CTestMailServers() {
    if (m_strFolder.empty())
        return;
    RunScript("stop");
    if (m_bRunning) {
        std::error_code ec;
        std::filesystem::remove_all(m_strFolder, ec);
    }
}

bool CTestMailServers::RunScript(const char* command) const {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl("/bin/bash", "bash", ScriptPath().c_str(), command, m_strFolder.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool CTestMailServers::ReadPorts() {
    std::istringstream lines(ReadWhole(m_strFolder + "/servers.env"));
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        int value = std::atoi(line.c_str() + equals + 1);
        if (key == "POP3_PORT")
            m_nPop3Port = value;
        else if (key == "POP3S_PORT")
            m_nPop3sPort = value;
        else if (key == "SMTP_PORT")
            m_nSmtpPort = value;
        else if (key == "SMTPS_PORT")
            m_nSmtpsPort = value;
        else if (key == "SMTP_PLAIN_PORT")
            m_nSmtpPlainPort = value;
        else if (key == "SMTP_XOAUTH2_PORT")
            m_nSmtpXoauth2Port = value;
        else if (key == "OAUTH_PORT")
            m_nOAuthPort = value;
        else if (key == "IMAP_PORT")
            m_nImapPort = value;
        else if (key == "IMAPS_PORT")
            m_nImapsPort = value;
    }
    return m_nPop3Port && m_nPop3sPort && m_nSmtpPort && m_nSmtpsPort && m_nSmtpPlainPort &&
           m_nSmtpXoauth2Port && m_nOAuthPort && m_nImapPort && m_nImapsPort;
}

std::string CTestMailServers::CaFile() const {
    return m_strFolder + "/cert.pem";
}

void CTestMailServers::AddPop3User(std::string_view user, std::string_view password) const {
    std::string path = m_strFolder + "/users/" + std::string(user);
    AppendLine(path, std::string(user) + ":{PLAIN}" + std::string(password));
    chmod(path.c_str(), 0644);
}

void CTestMailServers::AddSmtpUser(std::string_view user, std::string_view password) const {
    AppendLine(m_strFolder + "/smtp-accounts", std::string(user) + ":" + std::string(password));
}

std::string CTestMailServers::Maildir(std::string_view user) const {
    return m_strFolder + "/mail/" + std::string(user) + "/Maildir";
}

// Dovecot numbers messages by the leading timestamp of their file names, so
// every new message gets a later one than all before it.
std::string CTestMailServers::AddMessage(std::string_view user, std::string_view content) {
    std::string home = m_strFolder + "/mail/" + std::string(user);
    std::string maildir = Maildir(user);
    MakeOwnedFolder(home);
    MakeOwnedFolder(maildir);
    for (const char* sub : {"/tmp", "/new", "/cur"})
        MakeOwnedFolder(maildir + sub);
    ++m_nMessageCounter;
    std::string name = std::to_string(1600000000 + m_nMessageCounter) + ".P" +
                       std::to_string(getpid()) + "Q" + std::to_string(m_nMessageCounter);
    std::string temporary = maildir + "/tmp/" + name;
    {
        std::ofstream file(temporary, std::ios::binary);
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    GiveToMailOwner(temporary);
    std::rename(temporary.c_str(), (maildir + "/cur/" + name + ":2,").c_str());
    return name;
}

void CTestMailServers::RemoveMessage(std::string_view user, const std::string& name) const {
    unlink((Maildir(user) + "/cur/" + name + ":2,").c_str());
}

namespace {

// A libcurl handle logged in to the IMAP port as user, over STARTTLS.
CURL* ImapClient(const CTestMailServers& servers, std::string_view user, const std::string& url) {
    CURL* curl = curl_easy_init();
    std::string name(user);
    std::string password = "pw-" + name + "-Secret";
    std::string ca = servers.CaFile();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, name.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    return curl;
}

std::string ImapUrl(const CTestMailServers& servers, const std::string& mailbox) {
    return "imap://127.0.0.1:" + std::to_string(servers.ImapPort()) + "/" + mailbox;
}

} // namespace

std::string CTestMailServers::ImapCommand(std::string_view user, const std::string& mailbox,
                                          const std::string& command) const {
    std::string reply;
    CURL* curl = ImapClient(*this, user, ImapUrl(*this, mailbox));
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendToString);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code == CURLE_OK ? reply : "ERROR " + std::string(curl_easy_strerror(code));
}

bool CTestMailServers::ImapAppend(std::string_view user, const std::string& mailbox,
                                  std::string_view content) const {
    struct CSource {
        std::string_view rest;
    } source{content};
    CURL* curl = ImapClient(*this, user, ImapUrl(*this, mailbox));
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(content.size()));
    curl_easy_setopt(
        curl, CURLOPT_READFUNCTION, +[](char* buffer, size_t size, size_t count, void* data) {
            auto* from = static_cast<CSource*>(data);
            size_t n = std::min(size * count, from->rest.size());
            std::copy_n(from->rest.data(), n, buffer);
            from->rest.remove_prefix(n);
            return n;
        });
    curl_easy_setopt(curl, CURLOPT_READDATA, &source);
    CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return code == CURLE_OK;
}

void CTestMailServers::KickImapUser(std::string_view user) const {
    std::string command = "doveadm -c '" + m_strFolder + "/dovecot/dovecot.conf' kick '" +
                          std::string(user) + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "doveadm kick %s failed\n", std::string(user).c_str());
}

std::vector<std::string> CTestMailServers::MessageFileNames(std::string_view user) const {
    std::vector<std::string> names;
    for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(Maildir(user) + sub, ec))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CTestMailServers::RecordImapCommands(std::string_view user) const {
    std::string home = m_strFolder + "/mail/" + std::string(user);
    MakeOwnedFolder(home);
    MakeOwnedFolder(home + "/rawlog");
}

std::vector<std::vector<std::string>>
CTestMailServers::RecordedImapCommands(std::string_view user) const {
    std::vector<std::string> logs;
    std::error_code ec;
    std::string folder = m_strFolder + "/mail/" + std::string(user) + "/rawlog";
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().extension() == ".in")
            logs.push_back(entry.path().string());
    // Named <date>-<time>.<pid>.<n>.in: the name's order is the start order
    // to the second; the file's first time stamp decides within it.
    auto firstStamp = [](const std::string& path) {
        std::istringstream lines(ReadWhole(path));
        double stamp = 0;
        lines >> stamp;
        return stamp;
    };
    std::sort(logs.begin(), logs.end(), [&](const std::string& a, const std::string& b) {
        return firstStamp(a) < firstStamp(b);
    });
    std::vector<std::vector<std::string>> sessions;
    for (const std::string& path : logs) {
        std::vector<std::string> commands;
        std::istringstream lines(ReadWhole(path));
        std::string line;
        while (std::getline(lines, line)) {
            // "<time> <tag> <command>"
            std::istringstream words(line);
            std::string stamp, tag, command;
            words >> stamp >> tag;
            std::getline(words, command);
            if (!command.empty() && command.front() == ' ')
                command.erase(0, 1);
            if (!command.empty() && command.back() == '\r')
                command.pop_back();
            commands.push_back(command);
        }
        sessions.push_back(std::move(commands));
    }
    return sessions;
}

std::vector<std::vector<std::string>>
CTestMailServers::LibraryImapSessions(std::string_view user, std::size_t nExpected) const {
    auto sends = [](const std::vector<std::string>& session, const std::string& word) {
        return std::any_of(session.begin(), session.end(),
                           [&](const std::string& command) { return command.rfind(word, 0) == 0; });
    };
    std::vector<std::vector<std::string>> ours;
    for (int wait = 0; wait < 100; ++wait) {
        ours.clear();
        for (auto& session : RecordedImapCommands(user))
            if (sends(session, "STATUS ") || sends(session, "EXAMINE "))
                ours.push_back(std::move(session));
        if (ours.size() >= nExpected && ours.back().back() == "LOGOUT")
            break;
        usleep(20000);
    }
    return ours;
}

void CTestMailServers::SetSmtpFault(const std::string& fault) const {
    std::string path = m_strFolder + "/smtp-fault";
    if (fault.empty()) {
        unlink(path.c_str());
        return;
    }
    std::ofstream(path, std::ios::binary) << fault << '\n';
}

void CTestMailServers::RefuseSmtpRecipient(std::string_view address, int code, int attempts) const {
    std::string rule = "rcpt " + std::to_string(code) + " " + std::string(address);
    if (attempts > 0)
        rule += " " + std::to_string(attempts);
    AppendLine(m_strFolder + "/smtp-fault", rule);
}

void CTestMailServers::RefuseSmtpContent(std::string_view text, int code) const {
    AppendLine(m_strFolder + "/smtp-fault",
               "data " + std::to_string(code) + " " + std::string(text));
}

std::vector<CReceivedMail> CTestMailServers::ReceivedMails() const {
    std::vector<CReceivedMail> mails;
    for (int number = 1;; ++number) {
        std::string base = m_strFolder + "/smtp/" + std::to_string(number);
        if (access((base + ".envelope").c_str(), F_OK) != 0)
            break;
        CReceivedMail mail;
        std::istringstream lines(ReadWhole(base + ".envelope"));
        std::string key, value;
        while (lines >> key) {
            std::getline(lines, value);
            if (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            if (key == "port")
                mail.strPort = value;
            else if (key == "mail_from")
                mail.strMailFrom = value;
            else if (key == "auth_user")
                mail.strAuthUser = value;
            else if (key == "auth_mechanism")
                mail.strAuthMechanism = value;
            else if (key == "tls")
                mail.bTls = value == "1";
            else if (key == "rcpt")
                mail.rcptTos.push_back(value);
        }
        mail.strContent = ReadWhole(base + ".eml");
        mails.push_back(std::move(mail));
    }
    return mails;
}

std::string CTestMailServers::OAuthUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_nOAuthPort) + path;
}

std::string CTestMailServers::OAuthControl(const std::string& path, const std::string& form) const {
    std::string answer;
    CURL* curl = curl_easy_init();
    std::string url = OAuthUrl(path);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendToString);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    long status = 0;
    if (curl_easy_perform(curl) != CURLE_OK ||
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
        answer.clear();
    curl_easy_cleanup(curl);
    return answer;
}

int UnusedLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}
