#include "dialog/CPropertySheet.h"

#include "dialog/CPropertyPage.h"
#include "dialog/dialogtexts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

namespace {

// Layout of the sheet around its tabs, in dialog units of the first page's
// font: the margins and the size and spacing of the buttons.
constexpr int kMarginDlu = 7;
constexpr int kButtonCxDlu = 50;
constexpr int kButtonCyDlu = 14;
constexpr int kButtonGapDlu = 4;

// Sets a flag for the lifetime of the object.
class CFlagGuard {
public:
    explicit CFlagGuard(bool& bFlag) : m_bFlag(bFlag), m_bOld(bFlag) { m_bFlag = true; }
    ~CFlagGuard() { m_bFlag = m_bOld; }
    CFlagGuard(const CFlagGuard&) = delete;
    CFlagGuard& operator=(const CFlagGuard&) = delete;

private:
    bool& m_bFlag;
    bool m_bOld;
};

} // namespace

CPropertySheet::CPropertySheet(const char* pszCaption, QWidget* pParentWnd, int nSelectPage)
    : QDialog(pParentWnd), m_nStartPage(nSelectPage) {
    setObjectName(QStringLiteral("propertySheet"));
    if (pszCaption != nullptr)
        setWindowTitle(QString::fromUtf8(pszCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // The control with the keyboard focus is marked from the start (check
    // boxes included), not only after the first Tab: the sheet opens with
    // the focus on a control that Space already changes.
    setAttribute(Qt::WA_KeyboardFocusChange);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("sheetTabs"));
    m_pTabs->tabBar()->installEventFilter(this);
    m_pTabs->installEventFilter(this);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
    m_pOk = new QPushButton(QString::fromUtf8(dialogtext::kSheetOk), this);
    m_pOk->setObjectName(QStringLiteral("sheetOk"));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QString::fromUtf8(dialogtext::kSheetCancel), this);
    m_pCancel->setObjectName(QStringLiteral("sheetCancel"));
    connect(m_pOk, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CPropertySheet::~CPropertySheet() {
    // Pages that outlive the sheet must not be deleted with its widgets.
    CFlagGuard guard(m_bSwitching);
    for (CPropertyPage* pPage : m_vPages) {
        pPage->m_pSheet = nullptr;
        pPage->setParent(nullptr);
    }
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (pPage == nullptr || std::find(m_vPages.begin(), m_vPages.end(), pPage) != m_vPages.end())
        return;
    CFlagGuard guard(m_bSwitching);
    pPage->m_pSheet = this;
    m_vPages.push_back(pPage);
    m_pTabs->addTab(pPage, pPage->GetCaption());
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    if (nPage < 0 || nPage >= GetPageCount())
        return nullptr;
    return m_vPages[static_cast<std::size_t>(nPage)];
}

void CPropertySheet::RemovePage(CPropertyPage* pPage) {
    auto found = std::find(m_vPages.begin(), m_vPages.end(), pPage);
    if (found == m_vPages.end())
        return;
    const int nIndex = static_cast<int>(found - m_vPages.begin());
    CFlagGuard guard(m_bSwitching);
    m_pTabs->removeTab(nIndex);
    pPage->setParent(nullptr);
    pPage->m_pSheet = nullptr;
    m_vPages.erase(found);
    if (m_nActive == nIndex)
        m_nActive = -1;
    else if (m_nActive > nIndex)
        --m_nActive;
}

bool CPropertySheet::Create() {
    if (m_bCreated)
        return true;
    if (m_vPages.empty())
        return false;
    BuildWindow();
    m_bCreated = true;
    const int nStart = (m_nStartPage >= 0 && m_nStartPage < GetPageCount()) ? m_nStartPage : 0;
    if (!ActivatePage(nStart))
        return false;
    GetActivePage()->FocusFirstTabStop();
    return true;
}

int CPropertySheet::DoModal() {
    if (!Create())
        return -1;
    return exec();
}

void CPropertySheet::BuildWindow() {
    // The sheet speaks in the first page's font, and its margins and buttons
    // are measured in that font's dialog units like the pages themselves.
    const CDialogBuilder& builder = m_vPages.front()->GetBuilder();
    setFont(builder.GetFont());
    const QRect rcUnits = builder.MapDialogRect(kMarginDlu, kMarginDlu, kButtonCxDlu, kButtonCyDlu);
    const int nGap = builder.MapDialogRect(kButtonGapDlu, 0, 0, 0).x();

    for (CPropertyPage* pPage : m_vPages)
        pPage->setFixedSize(pPage->GetBuilder().GetDialogSize());

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(rcUnits.x(), rcUnits.y(), rcUnits.x(), rcUnits.y());
    pLayout->setSpacing(rcUnits.y());
    pLayout->addWidget(m_pTabs);
    auto* pButtons = new QHBoxLayout;
    pButtons->setSpacing(nGap);
    pButtons->addStretch(1);
    for (QPushButton* pButton : {m_pOk, m_pCancel}) {
        pButton->setFixedSize(rcUnits.width(), rcUnits.height());
        pButtons->addWidget(pButton);
    }
    pLayout->addLayout(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CPropertySheet::SetActivePage(int nPage) {
    if (!m_bCreated || nPage < 0 || nPage >= GetPageCount())
        return false;
    if (nPage == m_nActive)
        return true;
    CPropertyPage* pOld = GetActivePage();
    if (pOld != nullptr && !pOld->OnKillActive())
        return false;
    return ActivatePage(nPage);
}

bool CPropertySheet::ActivatePage(int nPage) {
    CPropertyPage* pPage = GetPage(nPage);
    if (pPage == nullptr)
        return false;
    // When the focus is inside the page that goes away, it moves to the new
    // page; on the tabs or a button it stays where it is.
    QWidget* pFocus = QApplication::focusWidget();
    CPropertyPage* pOld = GetActivePage();
    const bool bMoveFocus = pOld != nullptr && pFocus != nullptr && pOld->isAncestorOf(pFocus);
    if (!pPage->IsCreated()) {
        if (!pPage->CreateAndInit())
            return false;
        PlaceInTabOrder(pPage);
    }
    {
        CFlagGuard guard(m_bSwitching);
        m_pTabs->setCurrentIndex(nPage);
    }
    m_nActive = nPage;
    pPage->OnSetActive();
    if (bMoveFocus)
        pPage->FocusFirstTabStop();
    return true;
}

void CPropertySheet::PlaceInTabOrder(CPropertyPage* pPage) {
    // The tab key goes from the tabs through the page to OK and Cancel; the
    // items of hidden pages are skipped.
    QWidget* pLast = nullptr;
    QWidget* pStart = m_pTabs->tabBar();
    for (QWidget* pWidget = pStart->nextInFocusChain(); pWidget != pStart;
         pWidget = pWidget->nextInFocusChain()) {
        if (pPage->isAncestorOf(pWidget) && (pWidget->focusPolicy() & Qt::TabFocus))
            pLast = pWidget;
    }
    if (pLast == nullptr)
        return;
    setTabOrder(pLast, m_pOk);
    setTabOrder(m_pOk, m_pCancel);
}

void CPropertySheet::OnTabChanged(int nIndex) {
    // Tab changes that did not come through SetActivePage (the keyboard):
    // put the old tab back first, so the page stays while it is asked.
    if (m_bSwitching || !m_bCreated || nIndex < 0 || nIndex == m_nActive)
        return;
    {
        CFlagGuard guard(m_bSwitching);
        m_pTabs->setCurrentIndex(m_nActive);
    }
    SetActivePage(nIndex);
}

bool CPropertySheet::OnTabKey(QKeyEvent* pKey) {
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages here, not in the tab
    // widget: after a refusal it would put the focus on the tabs, taking it
    // from the field the page's warning has just selected.
    const bool bBack = pKey->key() == Qt::Key_Backtab || (pKey->modifiers() & Qt::ShiftModifier);
    if (!(pKey->modifiers() & Qt::ControlModifier) ||
        (pKey->key() != Qt::Key_Tab && pKey->key() != Qt::Key_Backtab) || GetPageCount() < 2)
        return false;
    const int nCount = GetPageCount();
    SetActivePage((m_nActive + (bBack ? nCount - 1 : 1)) % nCount);
    return true;
}

void CPropertySheet::keyPressEvent(QKeyEvent* pEvent) {
    // The same keys from OK, Cancel or the tabs, which are outside the tab widget.
    if (!OnTabKey(pEvent))
        QDialog::keyPressEvent(pEvent);
}

bool CPropertySheet::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pTabs && pEvent->type() == QEvent::KeyPress)
        return OnTabKey(static_cast<QKeyEvent*>(pEvent));
    if (pWatched != m_pTabs->tabBar())
        return QDialog::eventFilter(pWatched, pEvent);
    switch (pEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The page is asked before the tab moves, so a page that refuses
        // to be left never shows another tab, not even for a moment.
        auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() != Qt::LeftButton)
            return true;
        const int nTab = m_pTabs->tabBar()->tabAt(pMouse->position().toPoint());
        if (nTab >= 0 && nTab != m_nActive)
            SetActivePage(nTab);
        return true;
    }
    case QEvent::Wheel:
        return true; // the wheel does not turn pages
    default:
        return QDialog::eventFilter(pWatched, pEvent);
    }
}

void CPropertySheet::OnOK() {
    CPropertyPage* pActive = GetActivePage();
    if (pActive != nullptr && !pActive->OnKillActive())
        return;
    for (int nPage = 0; nPage < GetPageCount(); ++nPage) {
        CPropertyPage* pPage = GetPage(nPage);
        if (!pPage->IsCreated())
            continue;
        if (!pPage->OnApply()) {
            ActivatePage(nPage);
            return;
        }
    }
    done(IDOK);
}

void CPropertySheet::OnCancel() {
    CPropertyPage* pActive = GetActivePage();
    if (pActive != nullptr && !pActive->OnQueryCancel())
        return;
    for (CPropertyPage* pPage : m_vPages)
        if (pPage->IsCreated())
            pPage->OnReset();
    done(IDCANCEL);
}
