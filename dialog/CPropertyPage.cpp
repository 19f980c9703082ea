#include "dialog/CPropertyPage.h"

#include "dialog/CPropertySheet.h"

#include <QKeyEvent>

CPropertyPage::CPropertyPage(const DialogTemplate& dlgTemplate) : CDialog(dlgTemplate) {
    // A page lives inside its sheet, whatever its template says.
    setWindowFlags(Qt::Widget);
}

CPropertyPage::~CPropertyPage() {
    // Pages are usually members of their sheet and go before it: take the
    // page out of the sheet's tabs while it is still whole.
    if (m_pSheet != nullptr)
        m_pSheet->RemovePage(this);
}

QString CPropertyPage::GetCaption() const {
    const char* pszCaption = GetTemplate().pszCaption;
    return QString::fromUtf8(pszCaption != nullptr ? pszCaption : "");
}

bool CPropertyPage::OnSetActive() {
    if (m_bFirstSetActive)
        m_bFirstSetActive = false;
    else
        UpdateData(false);
    return true;
}

bool CPropertyPage::OnKillActive() {
    return UpdateData(true);
}

bool CPropertyPage::OnApply() {
    OnOK();
    return true;
}

void CPropertyPage::OnReset() {
    OnCancel();
}

bool CPropertyPage::OnQueryCancel() {
    return true;
}

void CPropertyPage::FocusFirstTabStop() {
    for (QWidget* pWidget = nextInFocusChain(); pWidget != nullptr && pWidget != this;
         pWidget = pWidget->nextInFocusChain()) {
        if (!isAncestorOf(pWidget))
            continue;
        if ((pWidget->focusPolicy() & Qt::TabFocus) && pWidget->isEnabled() &&
            pWidget->isVisibleTo(this)) {
            pWidget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void CPropertyPage::keyPressEvent(QKeyEvent* pEvent) {
    // Not QDialog's handling: that would close the page instead of the sheet.
    pEvent->ignore();
}

QSize CPropertyPage::sizeHint() const {
    return GetBuilder().GetDialogSize();
}
