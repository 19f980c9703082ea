#pragma once
// The edit that a list lays over one of its rows. It decides nothing about the
// list: it tells its owner of Enter, Escape and the loss of the focus, and
// the owner hides it when the edit ends.

#include <QLineEdit>
#include <QPointer>
#include <cstddef>
#include <string>

class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    // pOwner gets the focus back when the edit hides; the edit is a child of
    // pParent (the owner when none is given). Created hidden.
    explicit CInPlaceEdit(QWidget* pOwner, QWidget* pParent = nullptr);

    // Shows the edit at rc (parent coordinates), all text selected, with the
    // keyboard focus. Nothing when rc is empty or the edit is already shown.
    void ShowAt(const QRect& rc);
    // Hides the edit and hands the keyboard focus to the owner. Nothing when
    // the edit is hidden.
    void Hide();

    // Text in code page 932.
    std::string GetWindowText() const;
    void SetWindowText(const std::string& strText);

    // Longest text the user may type, in code page 932 bytes (a double-byte
    // character counts two). Text set by the program is not cut.
    void SetLimitText(std::size_t nMaxBytes);
    std::size_t GetLimitText() const { return m_nLimitBytes; }

    QWidget* Owner() const { return m_hOwner; }

signals:
    // The keys go no further: Enter types no line break, and neither key
    // presses the dialog's default button or closes it.
    void EnterPressed();
    void EscapePressed();
    // The focus went elsewhere (not to a pop-up such as the edit's own
    // menu) while the edit was shown.
    void FocusLost();

protected:
    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    static bool IsEndKey(const QKeyEvent* pEvent);
    void OnTextEdited(const QString& strNew);
    QString FitInsertion(const QString& strOld, const QString& strNew, int* pCursor) const;

    QPointer<QWidget> m_hOwner;
    std::size_t m_nLimitBytes;
    QString m_strLast;      // text before the user's latest change
    bool m_bHiding = false; // Hide() is moving the focus: no FocusLost
};
