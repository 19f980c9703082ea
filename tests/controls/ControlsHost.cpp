#include "ControlsHost.h"
#include "platform/codepage.h"
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

CControlsHost::CControlsHost() {
    setWindowTitle(QStringLiteral("host"));
    resize(320, 240);
    m_pList = new CListBoxEx(this);
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
    connect(m_pList, &CListBoxEx::Changed, this, [this] { ++m_nListChanged; });
    connect(m_pBar, &CListButtonBar::Changed, this, [this] { ++m_nListChanged; });
}

// An edit still open when the dialog goes commits as the focus leaves it.
CControlsHost::~CControlsHost() {
    m_pList->disconnect(this);
    m_pBar->disconnect(this);
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
    const int n = m_nListChanged;
    m_nListChanged = 0;
    return n;
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
