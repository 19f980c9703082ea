#pragma once
// One key of a settings group: its name in the INI and the member of the
// group that holds its value (text or number).

#include <string>
#include <tuple>

// A key that only a hand edit of the file sets: read, never written back.
inline constexpr bool kSetByHand = false;

template <class TGroup, class TValue> struct CSettingKey {
    const char* pszName;
    TValue TGroup::*pMember;
    bool bSaved = true;
};
