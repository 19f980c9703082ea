#pragma once
// A tabbed dialog of property pages with OK and Cancel (there is no Apply
// button: nothing is written while the sheet is open). Pages are created the
// first time their tab is selected. A page that fails its validation cannot
// be left, neither for another tab nor by OK. OK applies every page created
// in this run, in tab order; Cancel, Escape and the close box apply nothing.
// The sheet does not own its pages: they are usually members of a derived
// sheet and are taken out of the tabs when they are destroyed.

#include <QDialog>
#include <vector>

class CPropertyPage;
class QKeyEvent;
class QPushButton;
class QTabWidget;

class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    // pParentWnd null: a top-level window. nSelectPage: the page shown first.
    CPropertySheet(const char* pszCaption, QWidget* pParentWnd = nullptr, int nSelectPage = 0);
    ~CPropertySheet() override;

    // Adds a tab for the page (before the window exists).
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_vPages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetActiveIndex() const { return m_nActive; }
    CPropertyPage* GetActivePage() const { return GetPage(m_nActive); }

    // Leaves the active page, which may refuse (false), and shows page
    // nPage, creating it the first time.
    bool SetActivePage(int nPage);

    // Builds the window and opens the first page, without a modal run. False
    // when the first page could not be created.
    bool Create();
    // Create, then the modal run: IDOK or IDCANCEL; -1 when Create failed.
    virtual int DoModal();

    QTabWidget* GetTabControl() const { return m_pTabs; }
    QPushButton* GetOkButton() const { return m_pOk; }
    QPushButton* GetCancelButton() const { return m_pCancel; }

protected:
    // The active page must let go; then each page created in this run gets
    // OnApply in tab order, and the sheet closes with IDOK.
    virtual void OnOK();
    // The active page may refuse; otherwise each created page gets OnReset
    // and the sheet closes with IDCANCEL.
    virtual void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    friend class CPropertyPage;

    void BuildWindow();
    bool ActivatePage(int nPage);
    void PlaceInTabOrder(CPropertyPage* pPage);
    void OnTabChanged(int nIndex);
    // Ctrl+Tab, Ctrl+Shift+Tab: true when the key turned (or tried to turn) a page.
    bool OnTabKey(QKeyEvent* pKey);
    // Called by a page that is being destroyed.
    void RemovePage(CPropertyPage* pPage);

    std::vector<CPropertyPage*> m_vPages;
    int m_nStartPage;
    int m_nActive = -1;
    bool m_bCreated = false;
    bool m_bSwitching = false; // the sheet itself is changing the tab
    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
