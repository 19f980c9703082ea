#pragma once
// The settings in Quiben.ini, one struct per group of keys that is read and
// written together. Each struct names its section and binds its members to
// their keys; a member's initial value is what a missing key reads as.
// Values are as stored: text in code page 932, switches as integers
// (nonzero: on). Adding a key is a member with its default and its line in
// Keys().

#include "config/SettingKey.h"

#include <string>

// RECV: the mail account, written by the account page.
struct CAccountSettings {
    std::string strPop3Server;
    std::string strSmtpServer;
    std::string strAccount;
    std::string strPassword;
    std::string strMailAddress; // the sender of forwarded mail
    std::string strCaFile;      // an extra CA certificate to trust; set by hand

    static constexpr const char* kSection = "RECV";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"POP3", &CAccountSettings::strPop3Server},
                          CSettingKey{"SMTP", &CAccountSettings::strSmtpServer},
                          CSettingKey{"ACOUNT", &CAccountSettings::strAccount},
                          CSettingKey{"MAILADDRESS", &CAccountSettings::strMailAddress},
                          CSettingKey{"PASSWORD", &CAccountSettings::strPassword},
                          CSettingKey{"CAFILE", &CAccountSettings::strCaFile, kSetByHand}};
    }
};

// RECV / TIMEUP: milliseconds between timer ticks, read when the program
// starts; set by hand.
struct CTimerSettings {
    int nTimeUp = 600000;
    std::string strTimeUp; // as written, for messages about it

    static constexpr const char* kSection = "RECV";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"TIMEUP", &CTimerSettings::nTimeUp, kSetByHand},
                          CSettingKey{"TIMEUP", &CTimerSettings::strTimeUp, kSetByHand}};
    }
};

// SEND: automatic forwarding, written by the forward page and the menu.
struct CForwardingSettings {
    int bAutoForward = 0;

    static constexpr const char* kSection = "SEND";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"EXEC", &CForwardingSettings::bAutoForward}};
    }
};

// RULE: the forwarding rules, written by the rule page.
struct CRuleSettings {
    int bFromRule = 0;
    int bSubjectRule = 0;
    int bNoAttachment = 1;
    int bSizeLimit = 1;
    int nLimitByte = 256; // code page 932 bytes of the forward text

    static constexpr const char* kSection = "RULE";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"FROM", &CRuleSettings::bFromRule},
                          CSettingKey{"SUBJECT", &CRuleSettings::bSubjectRule},
                          CSettingKey{"TEMP", &CRuleSettings::bNoAttachment},
                          CSettingKey{"SIZE", &CRuleSettings::bSizeLimit},
                          CSettingKey{"LIMIT_BYTE", &CRuleSettings::nLimitByte}};
    }
};

// LASTSEND: the last message forwarded to every address, written by the
// forwarding cycle.
struct CForwardMarker {
    std::string strFrom;
    std::string strSubject;
    std::string strMessageId;

    static constexpr const char* kSection = "LASTSEND";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"FROM", &CForwardMarker::strFrom},
                          CSettingKey{"SUBJECT", &CForwardMarker::strSubject},
                          CSettingKey{"MESSAGEID", &CForwardMarker::strMessageId}};
    }
};

// POSITION: the main window's top-left corner, written when it closes.
struct CWindowPlacement {
    // An X of 10000, stored or read for a missing key, means no position.
    static constexpr int kNoPosition = 10000;
    int nX = kNoPosition;
    int nY = 0;

    bool IsStored() const { return nX != kNoPosition; }

    static constexpr const char* kSection = "POSITION";
    static constexpr auto Keys() {
        return std::tuple{CSettingKey{"X", &CWindowPlacement::nX},
                          CSettingKey{"Y", &CWindowPlacement::nY}};
    }
};
