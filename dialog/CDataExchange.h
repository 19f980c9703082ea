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
// A whole number from 0 up; text that is not one brings the positive-number
// warning.
void DDX_Text(CDataExchange* pDX, int nId, unsigned& value);
// 0 or 1 from a check box.
void DDX_Check(CDataExchange* pDX, int nId, int& value);

// Brings the range warning when a saved value lies outside [nMin, nMax].
void DDV_MinMaxUInt(CDataExchange* pDX, unsigned value, unsigned nMin, unsigned nMax);

// The rules of the number warning: blanks around, an optional '+', digits,
// nothing else, within unsigned. False for anything else.
bool ParseDialogUInt(const std::string& text, unsigned& value);
