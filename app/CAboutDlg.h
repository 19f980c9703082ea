#pragma once
// The version-information box (IDD_ABOUTBOX): icon, name and version, the
// maker, and four address lines that are links (three web sites and a
// mailto: contact). Made afresh for every showing.

#include "controls/CLinkLabel.h"
#include "dialog/CDialog.h"

#include <array>

// The links' colour as a colour reference (0x00BBGGRR): pure blue.
inline constexpr unsigned kLinkColorRef = 0x00FF0000;

class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
    ~CAboutDlg() override;

    // The address lines: IDC_LINK_HOME, _SUPPORT, _DOWNLOAD, _MAIL.
    CLinkLabel& GetLink(int nIndex) { return m_links.at(static_cast<std::size_t>(nIndex)); }
    static constexpr int kLinkCount = 4;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;

private:
    void FitLinksToText();

    std::array<CLinkLabel, kLinkCount> m_links;
};
