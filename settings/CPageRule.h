#pragma once
// The page "転送ﾙｰﾙ": the sender rule with its list ("rule_f.txt"), the
// subject rule with its list ("rule_s.txt"), the attachment rule and the size
// rule with its byte limit (section RULE). The limit must lie between 100 and
// 10000 before the page can be left or OK accepted, whether or not the size
// rule is on.

#include "controls/CListBoxEx.h"
#include "controls/CListButtonBar.h"
#include "platform/dialog/CPropertyPage.h"

#include <string>

class CProfile;

class CPageRule : public CPropertyPage {
    Q_OBJECT
public:
    CPageRule(CProfile& profile, std::string strAppDir);
    ~CPageRule() override;

    CListBoxEx m_listSubject;
    CListBoxEx m_listFrom;
    int m_bFromRule = 0;
    int m_bSubjectRule = 0;
    int m_bNoAttachment = 0;
    int m_bSizeLimit = 0;
    unsigned m_nLimitByte = 0;
    CListButtonBar m_btnFrom;
    CListButtonBar m_btnSubject;

    // "rule_f.txt" into the sender list, then "rule_s.txt" into the subject
    // list; a missing file leaves its list empty. Always true.
    bool LoadRuleFiles();
    // The sender list into "rule_f.txt", then the subject list into
    // "rule_s.txt"; a file that cannot be written is skipped. Always true.
    bool SaveRuleFiles();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    CProfile& m_profile;
    std::string m_strAppDir;
};
