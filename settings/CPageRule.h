#pragma once
// The page "転送ﾙｰﾙ": the sender rule with its list ("rule_f.txt"), the
// subject rule with its list ("rule_s.txt"), the attachment rule and the size
// rule with its byte limit (section RULE). The limit must lie between 100 and
// 10000 before the page can be left or OK accepted, whether or not the size
// rule is on.

#include "config/Settings.h"
#include "controls/CListBoxEx.h"
#include "controls/CListButtonBar.h"
#include "dialog/CPropertyPage.h"

class CSettingsStore;

class CPageRule : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageRule(CSettingsStore& store);
    ~CPageRule() override;

    CListBoxEx m_listSubject;
    CListBoxEx m_listFrom;
    CRuleSettings m_rules;
    unsigned m_nLimitByte = 0; // the edit's number; m_rules has it after OK
    CListButtonBar m_btnFrom;
    CListButtonBar m_btnSubject;

    // "rule_f.txt" into the sender list, then "rule_s.txt" into the subject
    // list; a missing file leaves its list empty.
    void LoadRuleFiles();
    // The sender list into "rule_f.txt", then the subject list into
    // "rule_s.txt"; a file that cannot be written is skipped.
    void SaveRuleFiles();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    void AttachList(int nBarId, CListButtonBar& bar, CListBoxEx& list);

    CSettingsStore& m_store;
};
