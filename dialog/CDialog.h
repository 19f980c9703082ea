#pragma once
// The dialog base of the program's windows: built from a template in dialog
// units, with a fixed life cycle (create, initialise with a data exchange
// into the items, run modally, OK validates and saves, Cancel discards). Property pages derive from
// it as child dialogs.

#include "dialog/CDialogBuilder.h"
#include "platform/DialogTemplate.h"

#include <QDialog>
#include <map>
#include <vector>

class CDataExchange;

class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(const DialogTemplate& dlgTemplate, QWidget* pParent = nullptr);
    ~CDialog() override;

    // Builds the window and its items once, then OnCreate; false when
    // OnCreate refuses, in which case the window is never shown.
    bool Create();
    bool IsCreated() const { return m_bCreated; }

    // Create, OnInitDialog, run modally. The result given to EndDialog, or
    // -1 when the window could not be created.
    virtual int DoModal();
    // Create and OnInitDialog without a modal run (a modeless window or a
    // property page shown inside its sheet). False when creation failed.
    bool CreateAndInit();
    void EndDialog(int nResult);

    // true: from the items into the members, with validation; false: the
    // other way. False when a validation failed.
    bool UpdateData(bool bSaveAndValidate = true);

    QWidget* GetDlgItem(int nId) const;
    // Replaces the template item nId by control (see DDX_Control).
    bool SubclassDlgItem(int nId, QWidget& control);

    const DialogTemplate& GetTemplate() const { return m_template; }
    const CDialogBuilder& GetBuilder() const { return m_builder; }

    // Runs a command as if a button or menu item with that id was chosen.
    void SendCommand(int nId) { OnCommand(nId); }

protected:
    // After the items exist and before the window is shown; false stops the
    // creation.
    virtual bool OnCreate() { return true; }
    // Base: the data exchange into the items. True: the first item that
    // takes the tab key gets the focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Base: save with validation, then EndDialog(IDOK) when it passed.
    virtual void OnOK();
    virtual void OnCancel();
    // A button of the dialog was pressed (or SendCommand); base: IDOK and
    // IDCANCEL.
    virtual void OnCommand(int nId);
    // The modal run or the window is ending.
    virtual void OnDestroy() {}

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    void done(int nResult) override;

private:
    void CreateItems();
    void SetInitialFocus();
    void ConnectItem(int nId, QWidget* pWidget);
    void RebuildTabOrder();

    const DialogTemplate& m_template;
    CDialogBuilder m_builder;
    std::map<int, QWidget*> m_items;
    std::vector<QWidget*> m_itemOrder; // template order, for the tab chain
    bool m_bCreated = false;
    bool m_bCreateFailed = false;
    bool m_bDestroyed = false;
};
