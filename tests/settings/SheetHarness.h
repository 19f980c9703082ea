#pragma once
// Driving the real settings sheet in tests: a private program folder with its
// settings store, the sheet shown and active, clicks on tabs and buttons,
// typing, a catcher for the warnings of the data exchange and a recorder of
// the files the sheet replaces, in order.

#include "config/CSettingsStore.h"
#include "platform/profile.h"
#include "settings/CSettingSheet.h"
#include "tests/common/CTempFolder.h"

#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;

// Tab indexes of the settings sheet.
enum { kTabTensou = 0, kTabAccount = 1, kTabRule = 2 };

// Presses OK on every message box that opens while it lives and keeps the
// texts, in order.
class CMessageBoxCatcher {
public:
    CMessageBoxCatcher();
    std::vector<std::string> m_vTexts; // UTF-8

private:
    QTimer m_timer;
};

// Names of the files that are created or replaced in a folder, in the order
// it happened (temporary files of the atomic writes left out).
class CWriteRecorder {
public:
    explicit CWriteRecorder(const std::string& strFolder);
    ~CWriteRecorder();
    CWriteRecorder(const CWriteRecorder&) = delete;
    CWriteRecorder& operator=(const CWriteRecorder&) = delete;

    // Everything recorded since the last call.
    std::vector<std::string> Take();

private:
    int m_fd;
};

// The four settings files of a folder: name to content, nullopt when missing.
using FileSnapshot = std::map<std::string, std::optional<std::string>>;
FileSnapshot SnapshotSettings(const CTempFolder& folder);

class CSheetHarness {
public:
    CSheetHarness();

    CTempFolder m_folder;
    CProfile m_profile; // the file as a hand edit sees it
    CSettingsStore m_store;
    std::unique_ptr<CSettingSheet> m_pSheet;

    // Makes the sheet (forward page first) and shows it active.
    bool Open();
    CSettingSheet& Sheet() { return *m_pSheet; }
    // Makes the sheet the active window again after a warning; it keeps the
    // focus widget it had, as a desktop does.
    bool WaitActive();
    // True while the sheet is open (not closed by OK or Cancel).
    bool IsOpen() const;

    void ClickTab(int nTab);
    void ClickOk();
    void ClickCancel();

    QLineEdit* Edit(CPropertyPage& page, int nId) const;
    QCheckBox* Check(CPropertyPage& page, int nId) const;
    QLineEdit* LimitEdit() const;
};

// Replaces an edit's text the way a user does: focus, select all, type (or
// delete when text is empty). UTF-8; Japanese text works too.
void TypeInto(QLineEdit* pEdit, const QString& strText);
// Types into the focus widget, one key event per character.
void TypeText(const QString& strText);
// UTF-8 literal as code page 932 bytes.
std::string Cp(const char* pszUtf8);
// The rows of a list as code page 932 bytes.
std::vector<std::string> Rows(const CListBoxEx& list);
