#include "engine/maillib/CMailComposer.h"

#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CGObjectPtr.h"
#include "engine/maillib/GMimeRuntime.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"
#include "platform/codepage.h"

#include <fcntl.h>
#include <gmime/gmime.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct CFormatOptionsFree {
    void operator()(GMimeFormatOptions* options) const { g_mime_format_options_free(options); }
};
using CFormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, CFormatOptionsFree>;

struct CDateTimeUnref {
    void operator()(GDateTime* date) const { g_date_time_unref(date); }
};

std::vector<std::string> SplitTabs(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t tab = text.find('\t', start);
        std::string part = text.substr(start, tab == std::string::npos ? tab : tab - start);
        if (!part.empty())
            parts.push_back(part);
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return parts;
}

// Text content is canonical CR LF; bare CR or LF from the caller become it.
std::string CanonicalLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// UTF-8 text/plain in base64: the charset is fixed (GMime would otherwise
// pick Latin-1 for some texts) and no line can be too long for SMTP.
CGObjectPtr<GMimePart> NewTextPart(const std::string& utf8) {
    CGObjectPtr<GMimePart> part(GMIME_PART(g_mime_text_part_new_with_subtype("plain")));
    CGObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(utf8.data(), utf8.size()));
    CGObjectPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), content.get());
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(part.get()), "charset", "utf-8");
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file is read when the message is written, which happens before this
// call's caller returns; the stream owns the descriptor.
CGObjectPtr<GMimePart> NewAttachmentPart(const std::string& path) {
    // Only regular files: a folder fails late, a pipe would block the send.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    CGObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(fd));
    CGObjectPtr<GMimePart> part(g_mime_part_new_with_type("application", "octet-stream"));
    CGObjectPtr<GMimeDataWrapper> content(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), content.get());
    g_mime_object_set_disposition(GMIME_OBJECT(part.get()), "attachment");
    g_mime_part_set_filename(part.get(), Cp932ToUtf8(BaseName(path)).c_str());
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    return part;
}

// A header holds one line: a line end in the subject would start a header
// of the caller's choosing.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

void SetHeaders(GMimeMessage* message, const std::string& from, const std::string& to,
                const std::string& subject) {
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_FROM, nullptr, from.c_str());
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_TO, nullptr, to.c_str());
    g_mime_message_set_subject(message, OneLine(Cp932ToUtf8(subject)).c_str(), "utf-8");
    std::unique_ptr<GDateTime, CDateTimeUnref> now(g_date_time_new_now_local());
    g_mime_message_set_date(message, now.get());
    std::string domain(MailDomain(from));
    CGCharPtr id(g_mime_utils_generate_message_id(domain.empty() ? "localhost" : domain.c_str()));
    g_mime_message_set_message_id(message, id.get());
}

std::string Serialize(GMimeMessage* message) {
    CFormatOptionsPtr format(g_mime_format_options_clone(g_mime_format_options_get_default()));
    g_mime_format_options_set_newline_format(format.get(), GMIME_NEWLINE_FORMAT_DOS);
    CGObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message), format.get(), memory.get()) < 0)
        return {};
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
    return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

} // namespace

bool CMailComposer::Compose(const std::string& from, const std::string& to,
                            const std::string& subject, const std::string& body,
                            const std::string& attachments, std::string& message,
                            std::string& error) {
    EnsureGMimeInitialized();
    CGObjectPtr<GMimeMessage> mail(g_mime_message_new(TRUE));
    SetHeaders(mail.get(), from, to, subject);
    CGObjectPtr<GMimePart> text = NewTextPart(CanonicalLines(Cp932ToUtf8(body)));
    std::vector<std::string> paths = SplitTabs(attachments);
    if (paths.empty()) {
        g_mime_message_set_mime_part(mail.get(), GMIME_OBJECT(text.get()));
    } else {
        CGObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
        for (const std::string& path : paths) {
            CGObjectPtr<GMimePart> part = NewAttachmentPart(path);
            if (!part) {
                error = CErrorText::Join(mailtext::kAttachment, Cp932ToUtf8(BaseName(path)));
                return false;
            }
            g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
        }
        g_mime_message_set_mime_part(mail.get(), GMIME_OBJECT(mixed.get()));
    }
    message = Serialize(mail.get());
    if (message.empty()) {
        error = mailtext::kCompose;
        return false;
    }
    return true;
}
