#include "engine/maillib/CMailComposer.h"

#include "engine/maillib/CErrorText.h"
#include "engine/maillib/CGObjectPtr.h"
#include "engine/maillib/GMimeRuntime.h"
#include "engine/maillib/MailAddress.h"
#include "engine/maillib/MailTexts.h"

#include <fcntl.h>
#include <gmime/gmime.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CFormatOptionsFree {
    void operator()(GMimeFormatOptions* options) const { g_mime_format_options_free(options); }
};
using CFormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, CFormatOptionsFree>;

struct CDateTimeUnref {
    void operator()(GDateTime* date) const { g_date_time_unref(date); }
};

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
    g_mime_part_set_filename(part.get(), BaseName(path).c_str());
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

void SetHeaders(GMimeMessage* message, const COutgoingMail& mail) {
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_FROM, nullptr, mail.strFrom.c_str());
    g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_TO, nullptr, mail.strTo.c_str());
    g_mime_message_set_subject(message, OneLine(mail.strSubject).c_str(), "utf-8");
    std::unique_ptr<GDateTime, CDateTimeUnref> now(g_date_time_new_now_local());
    g_mime_message_set_date(message, now.get());
    std::string domain(MailDomain(mail.strFrom));
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

bool CMailComposer::Compose(const COutgoingMail& mail, std::string& message, std::string& error) {
    EnsureGMimeInitialized();
    CGObjectPtr<GMimeMessage> composed(g_mime_message_new(TRUE));
    SetHeaders(composed.get(), mail);
    CGObjectPtr<GMimePart> text = NewTextPart(CanonicalLines(mail.strBody));
    if (mail.vecAttachments.empty()) {
        g_mime_message_set_mime_part(composed.get(), GMIME_OBJECT(text.get()));
    } else {
        CGObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
        for (const std::string& path : mail.vecAttachments) {
            CGObjectPtr<GMimePart> part = NewAttachmentPart(path);
            if (!part) {
                error = CErrorText::Join(mailtext::kAttachment, BaseName(path));
                return false;
            }
            g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
        }
        g_mime_message_set_mime_part(composed.get(), GMIME_OBJECT(mixed.get()));
    }
    message = Serialize(composed.get());
    if (message.empty()) {
        error = mailtext::kCompose;
        return false;
    }
    return true;
}
