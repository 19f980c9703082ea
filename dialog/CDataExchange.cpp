#include "dialog/CDataExchange.h"

#include "dialog/CDialog.h"
#include "dialog/dialogtexts.h"
#include "platform/codepage.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <cctype>
#include <climits>

namespace {

QString FromCp932(const std::string& value) {
    return QString::fromStdString(Cp932ToUtf8(value));
}

std::string ToCp932(const QString& text) {
    return Utf8ToCp932(text.toStdString());
}

// Warnings of the exchange carry the exclamation icon and the program's name.
void WarnUser(CDataExchange* pDX, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, pDX->m_pDlgWnd);
    box.exec();
}

} // namespace

CDataExchange::CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

QWidget* CDataExchange::PrepareCtrl(int nId) {
    QWidget* pCtrl = m_pDlgWnd->GetDlgItem(nId);
    if (pCtrl != nullptr)
        m_pLastCtrl = pCtrl;
    return pCtrl;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (m_pLastCtrl == nullptr)
        return;
    m_pLastCtrl->setFocus(Qt::OtherFocusReason);
    if (auto* pEdit = qobject_cast<QLineEdit*>(m_pLastCtrl))
        pEdit->selectAll();
}

void DDX_Control(CDataExchange* pDX, int nId, QWidget& control) {
    if (pDX->HasFailed())
        return;
    // Bound once: the first exchange (on initialisation) takes the item over.
    if (control.parentWidget() == pDX->m_pDlgWnd && control.property("dlgId").toInt() == nId)
        return;
    pDX->m_pDlgWnd->SubclassDlgItem(nId, control);
}

void DDX_Text(CDataExchange* pDX, int nId, std::string& value) {
    if (pDX->HasFailed())
        return;
    QWidget* pCtrl = pDX->PrepareCtrl(nId);
    if (pCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = ToCp932(pCtrl->property("text").toString());
    else
        pCtrl->setProperty("text", FromCp932(value));
}

void DDX_Check(CDataExchange* pDX, int nId, int& value) {
    if (pDX->HasFailed())
        return;
    auto* pButton = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(nId));
    if (pButton == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = pButton->isChecked() ? 1 : 0;
    else
        pButton->setChecked(value != 0);
}

// Numbers from 0 up: the warning asks for a positive number, and a minus
// sign is refused rather than wrapped around.

void DDX_Text(CDataExchange* pDX, int nId, unsigned& value) {
    if (pDX->HasFailed())
        return;
    QWidget* pCtrl = pDX->PrepareCtrl(nId);
    if (pCtrl == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate) {
        pCtrl->setProperty("text", QString::number(value));
        return;
    }
    unsigned parsed = 0;
    if (!ParseDialogUInt(pCtrl->property("text").toString().toStdString(), parsed)) {
        WarnUser(pDX, QString::fromUtf8(dialogtext::kParseUInt));
        pDX->Fail();
        return;
    }
    value = parsed;
}

void DDV_MinMaxUInt(CDataExchange* pDX, unsigned value, unsigned nMin, unsigned nMax) {
    if (pDX->HasFailed() || !pDX->m_bSaveAndValidate)
        return;
    if (value >= nMin && value <= nMax)
        return;
    const QString text = QString::fromUtf8(dialogtext::kParseIntRange)
                             .arg(QString::number(nMin), QString::number(nMax));
    WarnUser(pDX, text);
    pDX->Fail();
}

bool ParseDialogUInt(const std::string& text, unsigned& value) {
    std::size_t i = 0;
    auto isBlank = [&](std::size_t at) {
        return at < text.size() && std::isspace(static_cast<unsigned char>(text[at]));
    };
    while (isBlank(i))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    const std::size_t digitsStart = i;
    unsigned long long magnitude = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i++] - '0');
        if (magnitude > UINT_MAX)
            return false;
    }
    if (i == digitsStart)
        return false;
    while (isBlank(i))
        ++i;
    if (i != text.size())
        return false;
    value = static_cast<unsigned>(magnitude);
    return true;
}
