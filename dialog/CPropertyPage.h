#pragma once
// One page of a property sheet: a child dialog built from its template, whose
// caption is the text of its tab. The sheet creates the page the first time
// its tab is selected (OnInitDialog runs then), asks it before it is left
// (OnKillActive: the saving exchange with validation), tells it when it is
// shown again (OnSetActive), and at the end applies it on OK (OnApply) or
// resets it on Cancel (OnReset).

#include "dialog/CDialog.h"

class CPropertySheet;
class QKeyEvent;

class CPropertyPage : public CDialog {
    Q_OBJECT
public:
    explicit CPropertyPage(const DialogTemplate& dlgTemplate);
    ~CPropertyPage() override;

    // The text of the page's tab: the template's caption.
    QString GetCaption() const;
    // The sheet the page was added to, or null.
    CPropertySheet* GetSheet() const { return m_pSheet; }

    // The page becomes the visible one. Base: from the second time on, the
    // members go back into the items. False refuses the activation.
    virtual bool OnSetActive();
    // The page is about to be left (another tab, OK). Base: the saving
    // exchange with validation; false keeps the page active.
    virtual bool OnKillActive();
    // OK was pressed and the page was created in this run. Base: OnOK, true.
    // False keeps the sheet open on this page.
    virtual bool OnApply();
    // Cancel: every created page is told. Base: OnCancel.
    virtual void OnReset();
    // Cancel on the active page. Base: true (the sheet may close).
    virtual bool OnQueryCancel();

    // Puts the keyboard focus on the first item that takes the tab key.
    void FocusFirstTabStop();

    // The template's size, also before the page is created.
    QSize sizeHint() const override;

protected:
    // A page ends nothing itself: the sheet closes. Both do nothing here.
    void OnOK() override {}
    void OnCancel() override {}
    // Enter and Escape are the sheet's OK and Cancel, so the page passes
    // every key it does not use on to its parent.
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    friend class CPropertySheet;

    CPropertySheet* m_pSheet = nullptr;
    bool m_bFirstSetActive = true;
};
