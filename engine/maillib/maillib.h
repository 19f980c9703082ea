#pragma once
// The mail library: receive (POP3), decode (MIME) and send (SMTP). C-style
// calls on NUL-terminated byte strings in code page 932; failures come back
// through the result and an 81-byte error text (at most 80 bytes and a NUL,
// cut only at a character boundary).

#include <cstdint>

inline constexpr int kMailListMax = 256;
inline constexpr int kMailErrorTextSize = 81;

// A count and up to 256 strings that belong to the library. The received
// list's strings stay valid for the whole cycle (until the next BPOP3 call);
// a field list's strings until the next BMIME call.
struct MailList {
    std::int32_t nCount;
    char* pszItem[kMailListMax];
};

// Mode "SAVEALL": leaves the mail on the server and lists the mailbox oldest
// first (the newest 256 when it holds more), one file per message in a
// private folder inside `folder`. Result > 0, or <= 0 with the error text
// still empty: success.
int BPOP3(const char* server, const char* account, const char* password, const char* mode,
          const char* folder, MailList* received, char* errorText);

// Mode "GET": decodes one message file into tagged fields ("From: ",
// "Date: ", "Subject: ", "Message-ID: ", "Body: ", "File: " per attachment
// written under a safe name in the private folder). Result: the number of
// fields; 0 or less means none. Mode "HEAD": the first four of those fields
// only, from the message's header block; nothing is written.
int BMIME(const char* mode, const char* path, const char* folder, MailList* fields,
          char* errorText);

// Sends one mail (UTF-8 text/plain, subject as an encoded word, attachments
// from TAB-separated paths). Nonzero: sent; 0: failure, see the error text.
int BSendMail(const char* server, const char* to, const char* from, const char* subject,
              const char* body, const char* attachments, char* errorText);

// A CA certificate file trusted in addition to the system store for every
// later POP3 and SMTP connection; empty or null for the system store alone.
void BSetCAFile(const char* path);

// Time-outs of every later POP3 and SMTP connection, in seconds (at least 1):
// connect (TCP, greeting and TLS handshake) and stall (longest wait for a
// reply or for data). Defaults 30 and 30, so a dead server costs about a
// minute at most; tests shorten them.
void BSetTimeouts(int connectSeconds, int stallSeconds);
