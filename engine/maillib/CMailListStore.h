#pragma once
// Keeps the strings a MailList points at: they belong to the library and stay
// valid until the same store is filled again.

#include "engine/maillib/maillib.h"

#include <string>
#include <vector>

class CMailListStore {
public:
    // Takes over the items (at most kMailListMax are kept), points the list
    // at them and returns the count. A null list only replaces the items.
    int Fill(MailList* list, std::vector<std::string> items);

private:
    std::vector<std::string> m_items;
};
