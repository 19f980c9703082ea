#pragma once
// Dialog data exchange: moves values between a dialog's members and its
// items in one direction at a time (into the items when the dialog starts,
// out of them with validation on OK or a page change). A failed validation
// warns once, puts the focus on the offending item and stops the exchange.

#include <string>

class CDialog;
class QWidget;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate);

    // The item with that id, or null; marks it as the one a later Fail names.
    QWidget* PrepareCtrl(int nId);
    // Ends the exchange as failed; the last prepared item gets the focus.
    void Fail();
    bool HasFailed() const { return m_bFailed; }
    QWidget* GetLastCtrl() const { return m_pLastCtrl; }

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

private:
    QWidget* m_pLastCtrl = nullptr;
    bool m_bFailed = false;
};

// Binds a control object of the dialog to the template item with that id:
// the control takes the item's place, position, text and state (done once).
void DDX_Control(CDataExchange* pDX, int nId, QWidget& control);

// Text of an edit, label or button as a code page 932 byte string.
void DDX_Text(CDataExchange* pDX, int nId, std::string& value);
// A whole number; text that is not one brings the number warning.
void DDX_Text(CDataExchange* pDX, int nId, int& value);
// 0 or 1 from a check box.
void DDX_Check(CDataExchange* pDX, int nId, int& value);

// Limits an edit to nChars bytes of code page 932 when loading.
void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars);
// Brings the range warning when a saved value lies outside [nMin, nMax].
void DDV_MinMaxInt(CDataExchange* pDX, int value, int nMin, int nMax);

// The rules of the number warning: blanks around, an optional sign, digits,
// nothing else, within int. False for anything else.
bool ParseDialogInt(const std::string& text, int& value);
