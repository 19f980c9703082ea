#include "engine/maillib/CAttachmentWriter.h"

#include "platform/codepage.h"

#include <cerrno>
#include <fcntl.h>
#include <glib.h>

namespace {

// Room for a folder path in front and a "_99" behind within NAME_MAX.
constexpr size_t kMaxNameBytes = 120;
constexpr size_t kMaxExtensionBytes = 16;
constexpr int kMaxNumbered = 1000;
constexpr const char* kDefaultName = "attachment";

// Characters that hide or reorder what the user reads (a name that shows
// as "txt.exe" but ends in ".exe" when written right to left).
bool IsInvisibleControl(gunichar c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

std::string_view AfterLastSeparator(std::string_view name) {
    size_t pos = name.find_last_of("/\\");
    return pos == std::string_view::npos ? name : name.substr(pos + 1);
}

std::string DropControls(std::string_view utf8) {
    std::string valid = g_utf8_validate(utf8.data(), utf8.size(), nullptr)
                            ? std::string(utf8)
                            : std::string(utf8.size(), '_');
    std::string out;
    for (const char* p = valid.c_str(); *p != '\0'; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (!IsInvisibleControl(c))
            out.append(p, g_utf8_next_char(p) - p);
    }
    return out;
}

// Leading dots would hide the file (or make "." and ".."); trailing dots and
// blanks confuse other systems the file may travel to.
std::string_view TrimDotsAndBlanks(std::string_view name) {
    while (!name.empty() && (name.front() == '.' || name.front() == ' '))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.remove_suffix(1);
    return name;
}

std::string Shorten(const std::string& name) {
    if (name.size() <= kMaxNameBytes)
        return name;
    size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string::npos && name.size() - dot <= kMaxExtensionBytes)
        extension = name.substr(dot);
    return Utf8Truncate(name.substr(0, name.size() - extension.size()),
                        kMaxNameBytes - extension.size()) +
           extension;
}

std::string Numbered(const std::string& name, int number) {
    if (number == 1)
        return name;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name + "_" + std::to_string(number);
    return name.substr(0, dot) + "_" + std::to_string(number) + name.substr(dot);
}

} // namespace

std::string CAttachmentWriter::SafeBaseName(std::string_view utf8Name) {
    std::string cleaned = DropControls(AfterLastSeparator(utf8Name));
    std::string name = Shorten(std::string(TrimDotsAndBlanks(cleaned)));
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return kDefaultName;
    return name;
}

std::string CAttachmentWriter::Create(std::string_view utf8Name, int& fd) const {
    fd = -1;
    std::string base = SafeBaseName(utf8Name);
    for (int number = 1; number <= kMaxNumbered; ++number) {
        std::string path = m_strFolder + "/" + Numbered(base, number);
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0)
            return path;
        if (errno != EEXIST)
            return {};
    }
    return {};
}
