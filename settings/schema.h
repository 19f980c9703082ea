#pragma once
// Every file name, section, key and default of the program's settings. All
// readers and writers use these names; readers pass these defaults.

namespace schema {

inline constexpr const char* kIniFile = "Quiben.ini";
inline constexpr const char* kAddressFile = "to_adr.txt";
inline constexpr const char* kSenderRuleFile = "rule_f.txt";
inline constexpr const char* kSubjectRuleFile = "rule_s.txt";
inline constexpr const char* kErrorLogFile = "ErrorLog.txt";
inline constexpr const char* kDeliveryRecordFile = "DeliveryRecord.txt";
inline constexpr const char* kSkinFile = "zorvik.bmp";
inline constexpr const char* kReadMeFile = "readme.txt";

inline constexpr const char* kSectionRecv = "RECV";
inline constexpr const char* kKeyPop3 = "POP3";
inline constexpr const char* kKeySmtp = "SMTP";
inline constexpr const char* kKeyAccount = "ACOUNT";
inline constexpr const char* kKeyPassword = "PASSWORD";
inline constexpr const char* kKeyMailAddress = "MAILADDRESS";
inline constexpr const char* kKeyTimeUp = "TIMEUP";
inline constexpr const char* kKeyCaFile = "CAFILE";
inline constexpr int kDefaultTimeUp = 600000;

inline constexpr const char* kSectionSend = "SEND";
inline constexpr const char* kKeyExec = "EXEC";
inline constexpr int kDefaultExec = 0;

inline constexpr const char* kSectionRule = "RULE";
inline constexpr const char* kKeyRuleFrom = "FROM";
inline constexpr const char* kKeyRuleSubject = "SUBJECT";
inline constexpr const char* kKeyRuleTemp = "TEMP";
inline constexpr const char* kKeyRuleSize = "SIZE";
inline constexpr const char* kKeyLimitByte = "LIMIT_BYTE";
inline constexpr int kDefaultRuleFrom = 0;
inline constexpr int kDefaultRuleSubject = 0;
inline constexpr int kDefaultRuleTemp = 1;
inline constexpr int kDefaultRuleSize = 1;
inline constexpr int kDefaultLimitByte = 256;
inline constexpr int kMinLimitByte = 100;
inline constexpr int kMaxLimitByte = 10000;

// Bytes of code page 932 that an entry typed into a list may hold; entries
// read from a list file are taken whole.
inline constexpr unsigned kListEntryEditLimit = 64;

inline constexpr const char* kSectionLastSend = "LASTSEND";
inline constexpr const char* kKeyLastFrom = "FROM";
inline constexpr const char* kKeyLastSubject = "SUBJECT";
inline constexpr const char* kKeyLastMessageId = "MESSAGEID";

inline constexpr const char* kSectionPosition = "POSITION";
inline constexpr const char* kKeyPositionX = "X";
inline constexpr const char* kKeyPositionY = "Y";
// Read first with this default as a presence test: a stored 10000 means none.
inline constexpr int kNoPosition = 10000;

} // namespace schema
