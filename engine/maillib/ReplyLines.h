#pragma once
// The lines of a server's reply (a POP3 listing, IMAP untagged responses),
// each without its line end; the last may lack one.

#include <string_view>

template <typename Visit> void ForEachLine(std::string_view reply, Visit visit) {
    while (!reply.empty()) {
        std::size_t end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        visit(line);
        if (end == std::string_view::npos)
            break;
        reply.remove_prefix(end + 1);
    }
}
