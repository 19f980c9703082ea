#pragma once
// Ids of the settings pages: their templates and their items.

// Dialog templates of the pages.
inline constexpr int IDD_PAGE_ACCOUNT = 129;
inline constexpr int IDD_PAGE_TENSOU = 130;
inline constexpr int IDD_PAGE_RULE = 131;

// Account page (129).
inline constexpr int IDC_EDIT_POP3 = 1002;
inline constexpr int IDC_EDIT_SMTP = 1003;
inline constexpr int IDC_EDIT_ACCOUNT = 1005;
inline constexpr int IDC_EDIT_PASSWORD = 1006;
inline constexpr int IDC_EDIT_MAILADDRESS = 1007;

// Forward page (130).
inline constexpr int IDC_CHECK_AUTOFORWARD = 1001;
inline constexpr int IDC_LIST_ADDRESS = 1008;
inline constexpr int IDC_BAR_ADDRESS = 1009;

// Rule page (131).
inline constexpr int IDC_CHECK_FROMRULE = 1003;
inline constexpr int IDC_LIST_FROM = 1004;
inline constexpr int IDC_BAR_FROM = 1005;
inline constexpr int IDC_CHECK_SUBJECTRULE = 1006;
inline constexpr int IDC_LIST_SUBJECT = 1007;
inline constexpr int IDC_BAR_SUBJECT = 1008;
inline constexpr int IDC_CHECK_NOATTACHMENT = 1009;
inline constexpr int IDC_CHECK_SIZELIMIT = 1010;
inline constexpr int IDC_EDIT_LIMITBYTE = 1011;
