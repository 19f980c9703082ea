#pragma once
// A dialog that hosts a list, its button bar and another control, counts the
// changes they signal, and helpers that drive the list with real events.

#include "controls/CListBoxEx.h"
#include "controls/CListButtonBar.h"
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

class CControlsHost : public QDialog {
public:
    CControlsHost();
    ~CControlsHost() override;

    CListBoxEx* m_pList;
    CListButtonBar* m_pBar;
    QLineEdit* m_pOther;    // another control of the page
    QPushButton* m_pOk;     // the dialog's default button
    int m_nListChanged = 0; // Changed signals of the list and the bar
    int m_nOkClicks = 0;

    // Shows the dialog, active, with the focus on the list (which a dialog
    // gives as if tabbed into: the first row is then highlighted).
    bool ShowActive();
    // How many changes were signalled since the last call.
    int TakeListChanged();
};

// Shows a window and makes it the active one (offscreen and under Xvfb).
bool ShowAndActivate(QWidget* pWindow);
// Rows as text (code page 932 bytes).
std::vector<std::string> Rows(const CListBoxEx& list);
void Fill(CListBoxEx& list, const std::vector<std::string>& rows);
QPoint RowPoint(const CListBoxEx& list, int nRow);
void ClickRow(CListBoxEx& list, int nRow);
void DoubleClickAt(CListBoxEx& list, const QPoint& ptViewport);
void PressKey(QWidget* pWidget, int nKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Types text into the focus widget, one key event per character (works for
// Japanese text too).
void TypeText(const QString& strText);
// UTF-8 literal as code page 932 bytes.
std::string Cp(const char* pszUtf8);
