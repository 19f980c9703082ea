#include "platform/dialog/CDataExchange.h"

#include "platform/codepage.h"
#include "platform/dialog/CDialog.h"
#include "platform/dialog/dialogtexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QValidator>
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

// Keeps an edit within a number of code page 932 bytes, as the original
// platform's byte-counting edit limit does.
class CByteLimitValidator : public QValidator {
public:
    CByteLimitValidator(int nBytes, QObject* pParent) : QValidator(pParent), m_nBytes(nBytes) {}
    State validate(QString& input, int&) const override {
        return ToCp932(input).size() <= static_cast<std::size_t>(m_nBytes) ? Acceptable : Invalid;
    }

private:
    int m_nBytes;
};

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
    auto* pCombo = qobject_cast<QComboBox*>(pCtrl);
    if (pDX->m_bSaveAndValidate) {
        value = ToCp932(pCombo ? pCombo->currentText() : pCtrl->property("text").toString());
        return;
    }
    if (pCombo != nullptr)
        pCombo->setCurrentText(FromCp932(value));
    else
        pCtrl->setProperty("text", FromCp932(value));
}

void DDX_Text(CDataExchange* pDX, int nId, int& value) {
    if (pDX->HasFailed())
        return;
    QWidget* pCtrl = pDX->PrepareCtrl(nId);
    if (pCtrl == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate) {
        pCtrl->setProperty("text", QString::number(value));
        return;
    }
    int parsed = 0;
    if (!ParseDialogInt(pCtrl->property("text").toString().toStdString(), parsed)) {
        WarnUser(pDX, QString::fromUtf8(dialogtext::kParseInt));
        pDX->Fail();
        return;
    }
    value = parsed;
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

void DDV_MaxChars(CDataExchange* pDX, const std::string&, int nChars) {
    if (pDX->HasFailed() || pDX->m_bSaveAndValidate)
        return;
    // Applies to the item of the exchange just before, as on the original platform.
    auto* pEdit = qobject_cast<QLineEdit*>(pDX->GetLastCtrl());
    if (pEdit == nullptr)
        return;
    if (pEdit->validator() == nullptr)
        pEdit->setValidator(new CByteLimitValidator(nChars, pEdit));
    else
        pEdit->setMaxLength(nChars); // a number edit: one byte per character
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int nMin, int nMax) {
    if (pDX->HasFailed() || !pDX->m_bSaveAndValidate)
        return;
    if (value >= nMin && value <= nMax)
        return;
    const QString text = QString::fromUtf8(dialogtext::kParseIntRange)
                             .arg(QString::number(nMin), QString::number(nMax));
    WarnUser(pDX, text);
    pDX->Fail();
}

bool ParseDialogInt(const std::string& text, int& value) {
    std::size_t i = 0;
    auto isBlank = [&](std::size_t at) {
        return at < text.size() && std::isspace(static_cast<unsigned char>(text[at]));
    };
    while (isBlank(i))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = (text[i++] == '-');
    const std::size_t digitsStart = i;
    long long magnitude = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        magnitude = magnitude * 10 + (text[i++] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    if (i == digitsStart)
        return false;
    while (isBlank(i))
        ++i;
    if (i != text.size())
        return false;
    const long long signedValue = bNegative ? -magnitude : magnitude;
    if (signedValue > INT_MAX || signedValue < INT_MIN)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}
