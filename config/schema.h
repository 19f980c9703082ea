#pragma once
// The files of the program folder and the limits the settings pages apply.
// The INI's sections, keys and defaults are in config/Settings.h.

namespace schema {

inline constexpr const char* kIniFile = "Quiben.ini";
inline constexpr const char* kAddressFile = "to_adr.txt";
inline constexpr const char* kSenderRuleFile = "rule_f.txt";
inline constexpr const char* kSubjectRuleFile = "rule_s.txt";
inline constexpr const char* kErrorLogFile = "ErrorLog.txt";
inline constexpr const char* kDeliveryRecordFile = "DeliveryRecord.txt";
inline constexpr const char* kSkinFile = "zorvik.bmp";
inline constexpr const char* kReadMeFile = "readme.txt";

// The byte limit of the size rule that the rule page accepts.
inline constexpr int kMinLimitByte = 100;
inline constexpr int kMaxLimitByte = 10000;

// Bytes of code page 932 that an entry typed into a list may hold; entries
// read from a list file are taken whole.
inline constexpr unsigned kListEntryEditLimit = 64;

} // namespace schema
