#pragma once
// Turns a dialog template into widgets: dialog units become pixels through
// the dialog font's average character width and height, so a layout drawn
// for a 9-point Japanese font stays in proportion with whatever font stands
// in for it here.

#include "platform/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

class CDialogBuilder {
public:
    explicit CDialogBuilder(const DialogTemplate& dlgTemplate);

    // The template's face, with the Japanese faces of a Windows desktop
    // mapped to fonts found on a Linux desktop.
    static QFont MakeDialogFont(const char* pszFace, int nPointSize);

    const QFont& GetFont() const { return m_font; }
    // Average character width and height of the font (the "base units").
    QSize GetBaseUnits() const { return QSize(m_nBaseX, m_nBaseY); }

    QRect MapDialogRect(int x, int y, int cx, int cy) const;
    QSize GetDialogSize() const;

    // Creates one item as a child of parent at its mapped position; the
    // widget's objectName is "item<id>" and its property "dlgId" holds the id.
    QWidget* CreateItem(const DlgItemTemplate& item, QWidget* pParent) const;

    // A label's text with '&' mnemonics taken out ("&&" stays one '&').
    static QString StripMnemonic(const QString& text);

private:
    const DialogTemplate& m_template;
    QFont m_font;
    int m_nBaseX;
    int m_nBaseY;
};
