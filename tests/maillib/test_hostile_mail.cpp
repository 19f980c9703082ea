// The decoder on mail built to hurt: deep nesting, thousands of parts, huge
// header lines and bodies, broken encodings, NUL bytes, attachment names
// that try to leave the library's folder. The decoder must answer, keep its
// memory bounded and write nothing outside its private folder.
#include "tests/maillib/MailTestSupport.h"

#include "platform/codepage.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kHead = "From: Sender <sender@example.com>\r\nSubject: hostile\r\n"
                          "Message-ID: <hostile@example.com>\r\nMIME-Version: 1.0\r\n";

std::string Attachment(const std::string& boundary, const std::string& name,
                       const std::string& data = "aGVsbG8=") {
    return "--" + boundary +
           "\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment; filename=\"" +
           name + "\"\r\n\r\n" + data + "\r\n";
}

std::string Mixed(const std::string& boundary, const std::string& parts) {
    return kHead + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" +
           boundary + "\r\nContent-Type: text/plain\r\n\r\nthe body\r\n" + parts + "--" + boundary +
           "--\r\n";
}

// Every file below the folder that is not the message itself must lie in
// the library's attachment folder.
void ExpectNothingOutsideThePrivateFolder(const std::string& tempDir,
                                          const std::set<std::string>& own) {
    std::string attach = tempDir + "/quiben-" + std::to_string(geteuid()) + "/attach/";
    for (const auto& entry : fs::recursive_directory_iterator(tempDir)) {
        std::string path = entry.path().string();
        if (entry.is_directory() || own.count(path) != 0)
            continue;
        EXPECT_EQ(path.rfind(attach, 0), 0u) << "written outside: " << path;
    }
}

class HostileMail : public testing::Test {
protected:
    std::string WriteMessage(const std::string& content) {
        std::string path = m_temp.Path() + "/input-" + std::to_string(++m_nInputs) + ".eml";
        std::ofstream(path, std::ios::binary) << content;
        m_inputs.insert(path);
        return path;
    }
    CDecodedMail Decode(const std::string& content) {
        CDecodedMail mail = DecodeMail(WriteMessage(content), m_temp.Path());
        EXPECT_TRUE(mail.bDecoded) << mail.strError;
        for (const std::string& field : {mail.strFrom, mail.strSubject, mail.strBody})
            EXPECT_TRUE(IsValidUtf8(field)) << "a character cut in half";
        return mail;
    }
    void TearDown() override { ExpectNothingOutsideThePrivateFolder(m_temp.Path(), m_inputs); }

    CTempFolder m_temp;
    std::set<std::string> m_inputs;
    int m_nInputs = 0;
};

long ResidentKilobytes() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// How far decoding one file raises the peak resident memory, in kB: in a
// child, so the figure is the decoder's own; -1 when decoding failed.
long PeakGrowthOfDecoding(const std::string& path, const std::string& tempDir) {
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        long before = ResidentKilobytes();
        CDecodedMail mail = DecodeMail(path, tempDir);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        long growth = mail.bDecoded ? usage.ru_maxrss - before : -1;
        _exit(write(channel[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    close(channel[1]);
    long growth = -1;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth)
        growth = -1;
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return growth;
}

// Writes a message of about `megabytes` MB in pieces, never whole in memory.
std::string WriteHugeMessage(const std::string& path, bool asAttachment, int megabytes) {
    std::ofstream file(path, std::ios::binary);
    if (asAttachment)
        file << Mixed("b", "").substr(0, Mixed("b", "").rfind("--b--")) << "--b\r\n"
             << "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
                "Content-Disposition: attachment; filename=big.bin\r\n\r\n";
    else
        file << kHead << "Content-Type: text/plain; charset=utf-8\r\n\r\n";
    std::string line = asAttachment ? std::string(76, 'Q') : std::string(70, 'x') + "日本語";
    line += "\r\n";
    for (long written = 0; written < megabytes * 1024L * 1024L; written += line.size())
        file << line;
    if (asAttachment)
        file << "--b--\r\n";
    return path;
}

} // namespace

TEST_F(HostileMail, ThousandNestedMultipartsAreReadWithoutRecursingThroughThem) {
    std::string content = kHead;
    for (int depth = 0; depth < 1000; ++depth)
        content += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(depth) +
                   "\"\r\n\r\n--n" + std::to_string(depth) + "\r\n";
    content += "Content-Type: text/plain\r\n\r\ndeep inside\r\n";
    for (int depth = 999; depth >= 0; --depth)
        content += "--n" + std::to_string(depth) + "--\r\n";
    CDecodedMail mail = Decode(content);
    EXPECT_EQ(mail.strSubject, "hostile");
}

TEST_F(HostileMail, TenThousandAttachmentsWithOneNameStayInTheListAndTheFolder) {
    std::string parts;
    for (int n = 0; n < 10000; ++n)
        parts += Attachment("b", "same.txt");
    CDecodedMail mail = Decode(Mixed("b", parts));
    EXPECT_EQ(mail.strBody, "the body");
    EXPECT_EQ(mail.files.size(), 256u) << "more files would only fill the disk";
    std::set<std::string> unique(mail.files.begin(), mail.files.end());
    EXPECT_EQ(unique.size(), mail.files.size());
}

TEST_F(HostileMail, TenMegabyteHeaderLineAndBrokenEncodingsAreRead) {
    CDecodedMail mail = Decode("Subject: " + std::string(10 * 1024 * 1024, 'S') +
                               "\r\nFrom: a@example.com\r\n\r\nbody\r\n");
    EXPECT_EQ(mail.strSubject.size(), 10u * 1024 * 1024);

    mail = Decode(std::string("From: =?x-unknown?B?////?= =?utf-8?Q?=FF=FE?= ") +
                  "<a@example.com>\r\nSubject: =?iso-2022-jp?B?GyRC?= =?utf-8?B?44G?= " +
                  "=??Q?x?= =?utf-8?X?y?= =?utf-8*ja?Q?z?=\r\nMIME-Version: 1.0\r\n" +
                  "Content-Type: text/plain; charset=\"no-such-charset\"\r\n" +
                  "Content-Transfer-Encoding: base64\r\n\r\n!!!not base64 at all===\r\n");
    EXPECT_NE(mail.strFrom.find("a@example.com"), std::string::npos);

    std::string garbage("Subject: \0\x01\xff\xfe\x80\x1b$B\x1b(J\x82\r\n", 22);
    mail =
        Decode(garbage + "From: \x81\0\xff <b@example.com>\r\nDate: \xfe\xfe\r\n\r\n\0\0body\r\n");
    EXPECT_EQ(mail.strSubject.find('\0'), std::string::npos);
}

// Found by fuzzing: a NUL byte made UTF-8 text look like Shift_JIS, and
// cut the field short where it stood.
TEST_F(HostileMail, NulBytesNeitherGarbleNorCutTheText) {
    std::string body("日本語\0の本文\0続き", 26);
    CDecodedMail mail = Decode(kHead + "Content-Type: text/plain\r\n\r\n" + body + "\r\n");
    EXPECT_EQ(mail.strBody, "日本語 の本文 続き\r\n");
    std::string subject("Subject: =?utf-8?B?5pel5pys?= \0tail\r\n", 37);
    mail = Decode(subject + "From: a@example.com\r\n\r\nbody\r\n");
    EXPECT_EQ(mail.strSubject.substr(0, 6), "日本");
}

TEST_F(HostileMail, AttachmentNamesCannotLeaveOrHideInTheFolder) {
    std::string parts;
    const std::vector<std::string> names = {"/etc/passwd",
                                            "../../../evil.sh",
                                            "..",
                                            ".",
                                            "a\x01\x1b[31mb.txt",
                                            "dir/../../x.txt",
                                            "\\..\\..\\win.ini",
                                            "",
                                            std::string(10000, 'n') + ".txt",
                                            "\xe2\x80\xaetxt.exe",
                                            "=?utf-8?B?Li4vLi4vZXZpbC5zaA==?=",
                                            "same",
                                            "same",
                                            "same"};
    for (const std::string& name : names)
        parts += Attachment("b", name);
    CDecodedMail mail = Decode(Mixed("b", parts));
    ASSERT_EQ(mail.files.size(), names.size());
    std::set<std::string> unique;
    for (const std::string& path : mail.files) {
        std::string base = path.substr(path.rfind('/') + 1);
        EXPECT_TRUE(unique.insert(base).second) << base;
        EXPECT_LE(base.size(), 255u);
        EXPECT_NE(base.front(), '.') << base;
        for (unsigned char c : base)
            EXPECT_GE(c, 0x20) << base;
        EXPECT_EQ(fs::canonical(path).string(), path) << "no link or .. on the way";
    }
}

TEST_F(HostileMail, HundredMegabyteMessagesDecodeInBoundedMemory) {
    for (bool asAttachment : {false, true}) {
        std::string path =
            m_temp.Path() + (asAttachment ? "/huge-attachment.eml" : "/huge-body.eml");
        m_inputs.insert(WriteHugeMessage(path, asAttachment, 100));
        long growth = PeakGrowthOfDecoding(path, m_temp.Path());
        ASSERT_GE(growth, 0) << "the decoder failed or crashed";
        std::printf("decoding %s of 100 MB raised the peak memory by %ld kB\n",
                    asAttachment ? "an attachment" : "a body", growth);
        // Well below the message's own 100 MB: it was never held whole.
        EXPECT_LT(growth, 40 * 1024) << (asAttachment ? "attachment" : "body");
        fs::remove(path);
        fs::remove_all(m_temp.Path() + "/quiben-" + std::to_string(geteuid()) + "/attach");
    }
}

// A link planted where the library keeps its files is refused or removed,
// never written through.
TEST_F(HostileMail, LinksPlantedInThePrivateFolderAreNeverFollowed) {
    CTempFolder elsewhere;
    std::string own = m_temp.Path() + "/quiben-" + std::to_string(geteuid());
    fs::create_directory(own);
    fs::create_directory_symlink(elsewhere.Path(), own + "/attach");
    CDecodedMail mail =
        DecodeMail(WriteMessage(Mixed("b", Attachment("b", "x.txt"))), m_temp.Path());
    EXPECT_FALSE(mail.bDecoded);
    CheckedErrorText(mail.strError);
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
    fs::remove(own + "/attach");
}
