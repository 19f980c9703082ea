#include "engine/maillib/CMailListStore.h"

int CMailListStore::Fill(MailList* list, std::vector<std::string> items) {
    if (items.size() > static_cast<size_t>(kMailListMax))
        items.resize(kMailListMax);
    m_items = std::move(items);
    if (list == nullptr)
        return static_cast<int>(m_items.size());
    list->nCount = static_cast<std::int32_t>(m_items.size());
    for (int i = 0; i < kMailListMax; ++i)
        list->pszItem[i] = i < list->nCount ? m_items[i].data() : nullptr;
    return list->nCount;
}
