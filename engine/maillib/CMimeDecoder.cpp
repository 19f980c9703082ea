#include "engine/maillib/CMimeDecoder.h"

#include "engine/maillib/CAttachmentWriter.h"
#include "engine/maillib/CCharsetDecoder.h"
#include "engine/maillib/CGObjectPtr.h"
#include "engine/maillib/CHeaderText.h"
#include "engine/maillib/CHtmlText.h"
#include "engine/maillib/GMimeRuntime.h"
#include "engine/maillib/MailTexts.h"
#include "platform/codepage.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Deeper nesting is hostile or broken; what lies below is ignored.
constexpr int kMaxDepth = 32;
// Longer body text is cut: no phone wants more, and memory stays bounded.
constexpr size_t kMaxBodyBytes = 1024 * 1024;
// More attachment files would only fill the disk: no phone gets them.
constexpr size_t kMaxAttachments = 256;
// A header block longer than this is parsed with the rest of the message.
constexpr size_t kMaxHeaderBlock = 1024 * 1024;

struct CParserOptionsFree {
    void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};
using CParserOptionsPtr = std::unique_ptr<GMimeParserOptions, CParserOptionsFree>;

CParserOptionsPtr NewParserOptions() {
    CParserOptionsPtr options(g_mime_parser_options_new());
    static const char* kFallback[] = {"UTF-8", "CP932", nullptr};
    g_mime_parser_options_set_fallback_charsets(options.get(), kFallback);
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    return options;
}

std::string RawHeader(GMimeObject* object, const char* name) {
    GMimeHeaderList* headers = g_mime_object_get_header_list(object);
    GMimeHeader* header = headers ? g_mime_header_list_get_header(headers, name) : nullptr;
    const char* raw = header ? g_mime_header_get_raw_value(header) : nullptr;
    return raw ? raw : "";
}

std::string Trim(std::string text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// "山田 太郎 <taro@example.jp>": display names decoded, addresses kept.
std::string FromText(GMimeMessage* message) {
    std::string raw = RawHeader(GMIME_OBJECT(message), "From");
    if (raw.empty())
        return {};
    std::string normalized = CHeaderText::NormalizeEncodedWords(raw);
    CParserOptionsPtr options = NewParserOptions();
    CGObjectPtr<InternetAddressList> list(
        internet_address_list_parse(options.get(), normalized.c_str()));
    if (list && internet_address_list_length(list.get()) > 0) {
        CGCharPtr text(internet_address_list_to_string(list.get(), nullptr, FALSE));
        if (text && *text.get() != '\0')
            return text.get();
    }
    return Trim(CHeaderText::DecodeText(raw));
}

// Mail text lines end in CR LF, as the forwarded text's own lines do.
std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// A header field goes into lines of its own making (the forward text, the
// settings file): every control character, line breaks included, becomes a
// blank, so a crafted encoded word cannot add a line there.
std::string OneLine(std::string utf8) {
    if (!IsValidUtf8(utf8))
        utf8 = CCharsetDecoder::ToUtf8(utf8, "utf-8");
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        bool c1 = c == 0xC2 && i + 1 < utf8.size() &&
                  static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                  static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            out += ' ';
            i += c1 ? 1 : 0;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// "Content-Type: text" without a subtype is plain text; GMime reads it as
// application/octet-stream and drops its charset, so it is set again here.
void RepairBareTextType(GMimeObject* object) {
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const char* raw = g_mime_object_get_header(object, "Content-Type");
    if (raw == nullptr || !g_mime_content_type_is_type(type, "application", "octet-stream"))
        return;
    std::string value = Trim(raw);
    size_t typeEnd = std::min(value.find_first_of("/; \t"), value.size());
    if (typeEnd != 4 || g_ascii_strncasecmp(value.c_str(), "text", 4) != 0)
        return;
    size_t parameters = value.find(';');
    std::string fixed =
        "text/plain" + (parameters == std::string::npos ? "" : value.substr(parameters));
    CGObjectPtr<GMimeContentType> plain(g_mime_content_type_parse(nullptr, fixed.c_str()));
    if (plain)
        g_mime_object_set_content_type(object, plain.get());
}

std::string AttachmentName(GMimeObject* object) {
    if (GMIME_IS_PART(object)) {
        const char* name = g_mime_part_get_filename(GMIME_PART(object));
        if (name != nullptr && *name != '\0')
            return name;
    }
    return GMIME_IS_MESSAGE_PART(object) ? "message.eml" : "attachment";
}

// Writes the attachment's decoded content (or the whole embedded message)
// into a new file; returns its path, empty on failure.
std::string WriteOne(GMimeObject* object, const CAttachmentWriter& writer) {
    int fd = -1;
    std::string path = writer.Create(AttachmentName(object), fd);
    if (path.empty())
        return {};
    CGObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(fd));
    ssize_t written = -1;
    if (GMIME_IS_PART(object)) {
        GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
        written = content ? g_mime_data_wrapper_write_to_stream(content, stream.get()) : 0;
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        written =
            inner ? g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get()) : 0;
    }
    if (written < 0 || g_mime_stream_flush(stream.get()) != 0) {
        unlink(path.c_str());
        return {};
    }
    return path;
}

CMessageHeader HeaderOf(GMimeMessage* message) {
    GMimeObject* object = GMIME_OBJECT(message);
    const char* messageId = g_mime_message_get_message_id(message);
    CMessageHeader header;
    header.strFrom = OneLine(FromText(message));
    header.strDate = Trim(OneLine(CHeaderText::DecodeText(RawHeader(object, "Date"))));
    header.strSubject = Trim(OneLine(CHeaderText::DecodeText(RawHeader(object, "Subject"))));
    header.strMessageId = Trim(OneLine(messageId ? messageId : ""));
    return header;
}

// The message's header block up to and including the empty line that ends
// it. Empty when the file cannot be read or no end is found within the
// limit (the caller then parses the whole file, as the full decode does).
std::string ReadHeaderBlock(const std::string& path, bool& readable) {
    readable = false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    readable = true;
    std::string block;
    char buffer[16384];
    ssize_t n = 0;
    while (block.size() < kMaxHeaderBlock && (n = read(fd, buffer, sizeof buffer)) > 0) {
        size_t from = block.size() < 3 ? 0 : block.size() - 3;
        block.append(buffer, static_cast<size_t>(n));
        for (size_t i = block.find('\n', from); i != std::string::npos;
             i = block.find('\n', i + 1)) {
            size_t next = i + 1;
            if (next < block.size() && block[next] == '\r')
                ++next;
            if (next < block.size() && block[next] == '\n') {
                close(fd);
                block.resize(next + 1);
                return block;
            }
        }
    }
    close(fd);
    return {};
}

// Only the first maxBytes of the transfer-decoded content: a body of a
// hundred megabytes must not take a hundred megabytes of memory (and more
// for each conversion after it).
std::string ReadDecodedBytes(GMimeDataWrapper* content, size_t maxBytes) {
    GMimeStream* source = g_mime_data_wrapper_get_stream(content);
    if (source == nullptr)
        return {};
    g_mime_stream_reset(source);
    CGObjectPtr<GMimeStream> decoded(g_mime_stream_filter_new(source));
    GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    if (encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE) {
        // Blanks that transport added after a soft break's '=' hide the
        // break from the decoder, which then cuts the character around it.
        CGObjectPtr<GMimeFilter> strip(g_mime_filter_strip_new());
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(decoded.get()), strip.get());
    }
    if (encoding != GMIME_CONTENT_ENCODING_DEFAULT) {
        CGObjectPtr<GMimeFilter> filter(g_mime_filter_basic_new(encoding, FALSE));
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(decoded.get()), filter.get());
    }
    std::string raw;
    char buffer[65536];
    while (raw.size() < maxBytes) {
        ssize_t got = g_mime_stream_read(decoded.get(), buffer, sizeof buffer);
        if (got <= 0)
            break;
        raw.append(buffer, std::min(static_cast<size_t>(got), maxBytes - raw.size()));
    }
    return raw;
}

GMimeMessage* ParseMessageFile(const std::string& path) {
    EnsureGMimeInitialized();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    CGObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(fd));
    CGObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    CParserOptionsPtr options = NewParserOptions();
    return g_mime_parser_construct_message(parser.get(), options.get());
}

// The UTF-8 text of a text part: transfer encoding and charset decoded.
std::string DecodedPartText(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr)
        return {};
    std::string raw = ReadDecodedBytes(content, kMaxBodyBytes);
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    std::string name = charset ? charset : "";
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    if (name.empty() && g_mime_content_type_is_type(type, "text", "html"))
        name = CHtmlText::MetaCharset(raw);
    std::string text = CCharsetDecoder::ToUtf8(raw, name);
    // A NUL would end the forwarded text early in many readers.
    std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

} // namespace

void CMimeDecoder::Walk(GMimeObject* object, int depth) {
    if (object == nullptr || depth > kMaxDepth)
        return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i)
            Walk(g_mime_multipart_get_part(multipart, i), depth + 1);
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        m_attachments.push_back(object); // a forwarded mail travels as a file
    } else if (GMIME_IS_PART(object)) {
        ConsiderLeaf(GMIME_PART(object));
    }
}

// The first plain text part is the body, else the first HTML part; parts
// marked as attachments, named parts and non-text parts are attachments.
// Some mailers name every part, the text too: the first plain part that is
// named but not marked as an attachment is kept in mind as the body for a
// mail that has no other text.
void CMimeDecoder::ConsiderLeaf(GMimePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    RepairBareTextType(object);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    const char* filename = g_mime_part_get_filename(part);
    bool named = filename != nullptr && *filename != '\0';
    bool marked = g_mime_part_is_attachment(part);
    bool plain = g_mime_content_type_is_type(type, "text", "plain");
    if (!marked && !named && plain) {
        if (m_pPlain == nullptr)
            m_pPlain = part;
        return;
    }
    if (!marked && !named && g_mime_content_type_is_type(type, "text", "html")) {
        if (m_pHtml == nullptr)
            m_pHtml = part;
        return;
    }
    if (!marked && named && plain && m_pNamedPlain == nullptr)
        m_pNamedPlain = part;
    if (marked || named || !g_mime_content_type_is_type(type, "text", "*"))
        m_attachments.push_back(object);
}

std::string CMimeDecoder::BodyText() {
    if (m_pPlain != nullptr)
        return ToCrLf(DecodedPartText(m_pPlain));
    if (m_pHtml != nullptr)
        return ToCrLf(CHtmlText::ToPlainText(DecodedPartText(m_pHtml)));
    if (m_pNamedPlain == nullptr)
        return {};
    std::erase(m_attachments, GMIME_OBJECT(m_pNamedPlain)); // it is the text, not a file
    return ToCrLf(DecodedPartText(m_pNamedPlain));
}

std::vector<std::string> CMimeDecoder::WriteAttachments(const CPrivateFolder& folder) const {
    std::vector<std::string> paths;
    if (m_attachments.empty())
        return paths;
    std::string messageFolder = folder.NewAttachmentFolder();
    if (messageFolder.empty())
        return paths;
    CAttachmentWriter writer(messageFolder);
    for (GMimeObject* object : m_attachments) {
        if (paths.size() == kMaxAttachments)
            break;
        std::string path = WriteOne(object, writer);
        if (!path.empty())
            paths.push_back(path);
    }
    return paths;
}

bool CMimeDecoder::Decode(const std::string& path, const CPrivateFolder& folder,
                          CDecodedMessage& decoded, std::string& error) {
    decoded = CDecodedMessage{};
    m_pPlain = m_pHtml = m_pNamedPlain = nullptr;
    m_attachments.clear();
    CGObjectPtr<GMimeMessage> message(ParseMessageFile(path));
    if (!message) {
        error = mailtext::kOpenMessage;
        return false;
    }
    decoded.header = HeaderOf(message.get());
    Walk(g_mime_message_get_mime_part(message.get()), 0);
    decoded.strBody = BodyText();
    decoded.vecAttachments = WriteAttachments(folder);
    return true;
}

bool CMimeDecoder::DecodeHeaders(const std::string& path, CMessageHeader& header,
                                 std::string& error) {
    header = CMessageHeader{};
    bool readable = false;
    std::string block = ReadHeaderBlock(path, readable);
    if (!readable) {
        error = mailtext::kOpenMessage;
        return false;
    }
    CGObjectPtr<GMimeMessage> message;
    if (block.empty()) {
        message.reset(ParseMessageFile(path));
    } else {
        EnsureGMimeInitialized();
        CGObjectPtr<GMimeStream> stream(
            g_mime_stream_mem_new_with_buffer(block.data(), block.size()));
        CGObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
        CParserOptionsPtr options = NewParserOptions();
        message.reset(g_mime_parser_construct_message(parser.get(), options.get()));
    }
    if (!message) {
        error = mailtext::kOpenMessage;
        return false;
    }
    header = HeaderOf(message.get());
    return true;
}
