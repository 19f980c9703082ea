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

// Spelled out for compilers without deduction from aggregate initializers
// (clang before 17, which builds the fuzz targets).
template <class TGroup, class TValue>
CSettingKey(const char*, TValue TGroup::*) -> CSettingKey<TGroup, TValue>;
template <class TGroup, class TValue>
CSettingKey(const char*, TValue TGroup::*, bool) -> CSettingKey<TGroup, TValue>;
