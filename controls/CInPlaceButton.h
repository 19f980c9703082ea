#pragma once
// The small "..." push button that a list can show at the right end of its
// in-place edit. Reports its click, Escape and the loss of the focus to its
// owner, like CInPlaceEdit.

#include <QPointer>
#include <QPushButton>

class CInPlaceButton : public QPushButton {
    Q_OBJECT
public:
    // pOwner receives the notices; the button is a child of pParent (the
    // owner when none is given). nId is its control identifier. Created hidden.
    CInPlaceButton(const QString& strCaption, int nId, QWidget* pOwner, QWidget* pParent = nullptr);

    // Shows the button at rc (parent coordinates); it does not take the focus.
    // Nothing when rc is empty or the button is already shown.
    void ShowAt(const QRect& rc);
    // Hides the button and hands the keyboard focus to the owner. Nothing
    // when the button is hidden.
    void Hide();

    int Id() const { return m_nId; }
    QWidget* Owner() const { return m_hOwner; }
    bool InClick() const { return m_bInClick; }

protected:
    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void OnClicked();

    QPointer<QWidget> m_hOwner;
    int m_nId;
    bool m_bInClick = false; // the click notice is being delivered
    bool m_bHiding = false;  // Hide() is moving the focus: no notice
};
