#include "dialog/CDialog.h"

#include "dialog/CDataExchange.h"

#include <QAbstractButton>
#include <QVariant>

namespace {

Qt::WindowFlags WindowFlagsFor(unsigned nStyle) {
    if (nStyle & kDlgChild)
        return Qt::Widget;
    Qt::WindowFlags flags = (nStyle & kDlgToolWindow) ? Qt::Tool : Qt::Dialog;
    if (nStyle & kDlgFrameless)
        return flags | Qt::FramelessWindowHint;
    flags |= Qt::CustomizeWindowHint;
    if (nStyle & kDlgCaption)
        flags |= Qt::WindowTitleHint;
    if (nStyle & kDlgSysMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

} // namespace

CDialog::CDialog(const DialogTemplate& dlgTemplate, QWidget* pParent)
    : QDialog(pParent), m_template(dlgTemplate), m_builder(dlgTemplate) {
    setWindowFlags(WindowFlagsFor(dlgTemplate.nStyle));
    setObjectName(QStringLiteral("dialog%1").arg(dlgTemplate.nId));
}

CDialog::~CDialog() = default;

bool CDialog::Create() {
    if (m_bCreated)
        return true;
    if (m_bCreateFailed)
        return false;
    setFont(m_builder.GetFont());
    if (m_template.pszCaption != nullptr)
        setWindowTitle(QString::fromUtf8(m_template.pszCaption));
    setFixedSize(m_builder.GetDialogSize());
    // A captioned dialog is placed by the desktop; the others sit where the
    // template puts them.
    if (!(m_template.nStyle & kDlgCaption))
        move(m_builder.MapDialogRect(m_template.x, m_template.y, 0, 0).topLeft());
    CreateItems();
    if (!OnCreate()) {
        m_bCreateFailed = true;
        return false;
    }
    m_bCreated = true;
    return true;
}

bool CDialog::CreateAndInit() {
    if (!Create())
        return false;
    if (OnInitDialog())
        SetInitialFocus();
    return true;
}

int CDialog::DoModal() {
    if (!CreateAndInit())
        return -1;
    return exec();
}

void CDialog::EndDialog(int nResult) {
    done(nResult);
}

void CDialog::done(int nResult) {
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        OnDestroy();
    }
    QDialog::done(nResult);
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.HasFailed();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnCommand(int nId) {
    if (nId == IDOK)
        OnOK();
    else if (nId == IDCANCEL)
        OnCancel();
}

QWidget* CDialog::GetDlgItem(int nId) const {
    if (nId == IDC_STATIC)
        return nullptr;
    auto found = m_items.find(nId);
    return found == m_items.end() ? nullptr : found->second;
}

bool CDialog::SubclassDlgItem(int nId, QWidget& control) {
    QWidget* pItem = GetDlgItem(nId);
    if (pItem == nullptr || pItem == &control)
        return pItem != nullptr;
    control.setParent(this);
    control.setObjectName(pItem->objectName());
    control.setProperty("dlgId", nId);
    control.setProperty("dlgStyle", pItem->property("dlgStyle"));
    control.setGeometry(pItem->geometry());
    control.setFont(pItem->font());
    control.setFocusPolicy(pItem->focusPolicy());
    control.setEnabled(pItem->isEnabled());
    // Labels, edits and buttons all carry their text and alignment as properties.
    for (const char* pszName : {"text", "alignment"}) {
        const QVariant value = pItem->property(pszName);
        if (value.isValid() && control.property(pszName).isValid())
            control.setProperty(pszName, value);
    }
    control.setVisible(!pItem->isHidden());
    m_items[nId] = &control;
    for (auto& entry : m_itemOrder)
        if (entry == pItem)
            entry = &control;
    delete pItem;
    ConnectItem(nId, &control);
    RebuildTabOrder();
    return true;
}

void CDialog::CreateItems() {
    for (const DlgItemTemplate& item : m_template.items) {
        QWidget* pWidget = m_builder.CreateItem(item, this);
        pWidget->setProperty("dlgStyle", item.nStyle);
        m_itemOrder.push_back(pWidget);
        if (item.nId != IDC_STATIC)
            m_items[item.nId] = pWidget;
        ConnectItem(item.nId, pWidget);
    }
    RebuildTabOrder();
}

void CDialog::ConnectItem(int nId, QWidget* pWidget) {
    // Buttons report their clicks as commands: a dialog handles a button and
    // a menu item with the same id in one place, OnCommand.
    if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget))
        connect(pButton, &QAbstractButton::clicked, this, [this, nId] { OnCommand(nId); });
}

void CDialog::RebuildTabOrder() {
    QWidget* pPrevious = nullptr;
    for (QWidget* pWidget : m_itemOrder) {
        if (!(pWidget->focusPolicy() & Qt::TabFocus))
            continue;
        if (pPrevious != nullptr)
            setTabOrder(pPrevious, pWidget);
        pPrevious = pWidget;
    }
}

void CDialog::SetInitialFocus() {
    for (QWidget* pWidget : m_itemOrder) {
        const unsigned nStyle = pWidget->property("dlgStyle").toUInt();
        if ((nStyle & kItemTabStop) && pWidget->isEnabled() && !pWidget->isHidden()) {
            pWidget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}
