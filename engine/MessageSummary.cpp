#include "engine/MessageSummary.h"

#include "engine/enginetexts.h"
#include "platform/codepage.h"

#include <algorithm>
#include <string_view>
#include <sys/stat.h>

namespace {

using enginetexts::kTagBody;
using enginetexts::kTagDate;
using enginetexts::kTagFile;
using enginetexts::kTagFrom;
using enginetexts::kTagMessageId;
using enginetexts::kTagSubject;

// Calls visit(tag, value) for each of the first n fields that begins with one
// of the known tags. The tags are tested in a fixed order and the first that
// matches decides. A count beyond the list or a missing entry is passed over,
// so a careless decoder result cannot make us read past the list.
template <typename Visit> void ForEachTaggedField(const MailList& fields, int n, Visit visit) {
    static constexpr std::string_view kTags[] = {kTagFrom, kTagDate, kTagSubject,
                                                 kTagBody, kTagFile, kTagMessageId};
    int count = std::min(n, kMailListMax);
    for (int j = 0; j < count; ++j) {
        if (fields.pszItem[j] == nullptr)
            continue;
        std::string_view entry(fields.pszItem[j]);
        for (std::string_view tag : kTags) {
            if (entry.starts_with(tag)) {
                visit(tag, entry.substr(tag.size()));
                break;
            }
        }
    }
}

// An attachment counts when the file system reports anything at the path.
bool PathExists(std::string_view path) {
    struct stat status;
    return ::stat(std::string(path).c_str(), &status) == 0;
}

} // namespace

MessageSummary ExtractSummary(const MailList& fields, int n) {
    MessageSummary summary;
    ForEachTaggedField(fields, n, [&summary](std::string_view tag, std::string_view value) {
        if (tag == kTagFrom)
            summary.strFrom = value;
        else if (tag == kTagDate)
            summary.strDate = value;
        else if (tag == kTagSubject)
            summary.strSubject = TrimWhite(value);
        else if (tag == kTagBody)
            summary.strBody = TrimWhite(value);
        else if (tag == kTagMessageId)
            summary.strMessageId = TrimWhite(value);
        else if (tag == kTagFile && PathExists(value))
            summary.vecAttachments.emplace_back(value);
    });
    return summary;
}

MessageIdentity ExtractIdentity(const MailList& fields, int n) {
    MessageIdentity identity;
    ForEachTaggedField(fields, n, [&identity](std::string_view tag, std::string_view value) {
        if (tag == kTagFrom)
            identity.strFrom = value;
        else if (tag == kTagSubject)
            identity.strSubject = TrimWhite(value);
        else if (tag == kTagMessageId)
            identity.strMessageId = TrimWhite(value);
    });
    return identity;
}
