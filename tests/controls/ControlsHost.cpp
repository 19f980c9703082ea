#include "ControlsHost.h"
#include "controls/CCommandEvent.h"
#include "platform/codepage.h"
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

CControlsHost::CControlsHost(std::uint32_t dwEditStyle) {
    setWindowTitle(QStringLiteral("host"));
    resize(320, 240);
    m_pList = new CListBoxEx(this, dwEditStyle);
    m_pList->setGeometry(10, 30, 200, 150);
    m_pBar = new CListButtonBar(this);
    m_pBar->setGeometry(110, 8, 100, 21);
    m_pBar->m_pList = m_pList;
    m_pOther = new QLineEdit(this);
    m_pOther->setGeometry(220, 30, 90, 24);
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setGeometry(220, 200, 90, 28);
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, [this] { ++m_nOkClicks; });
    m_pList->m_bFixedFirst = false;
}

bool CControlsHost::ShowActive() {
    m_pList->setFocus();
    return ShowAndActivate(this);
}

bool ShowAndActivate(QWidget* pWindow) {
    pWindow->show();
    if (!QTest::qWaitForWindowExposed(pWindow))
        return false;
    pWindow->activateWindow();
    return QTest::qWaitForWindowActive(pWindow);
}

int CControlsHost::TakeListChanged() {
    QCoreApplication::sendPostedEvents();
    const int n = m_nListChanged;
    m_nListChanged = 0;
    return n;
}

bool CControlsHost::event(QEvent* pEvent) {
    if (pEvent->type() == CommandEventType()) {
        if (static_cast<CCommandEvent*>(pEvent)->Id() == ID_LIST_CHANGED)
            ++m_nListChanged;
        return true;
    }
    return QDialog::event(pEvent);
}

std::vector<std::string> Rows(const CListBoxEx& list) {
    std::vector<std::string> rows;
    for (int n = 0; n < list.GetCount(); ++n)
        rows.push_back(list.GetText(n));
    return rows;
}

void Fill(CListBoxEx& list, const std::vector<std::string>& rows) {
    for (const std::string& row : rows)
        list.AddString(row);
}

QPoint RowPoint(const CListBoxEx& list, int nRow) {
    return list.GetItemRect(nRow).center();
}

void ClickRow(CListBoxEx& list, int nRow) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(list, nRow));
}

void DoubleClickAt(CListBoxEx& list, const QPoint& ptViewport) {
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, ptViewport);
}

void PressKey(QWidget* pWidget, int nKey, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(pWidget, static_cast<Qt::Key>(nKey), modifiers);
}

void TypeText(const QString& strText) {
    for (const QChar ch : strText) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(QApplication::focusWidget(), &press);
    }
}

std::string Cp(const char* pszUtf8) {
    return Utf8ToCp932(pszUtf8);
}
