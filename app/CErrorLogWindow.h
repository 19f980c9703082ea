#pragma once
// The error log in a read-only window: "ErrorLog.txt" of the program folder
// decoded from code page 932, the newest entry first.

#include <QDialog>
#include <string>
#include <string_view>

class QPlainTextEdit;

// The log's entries (time line, message, a line of 40 hyphens) in reverse
// order, as UTF-8 text; an entry cut short by a full disk is kept as it is.
std::string NewestEntriesFirst(std::string_view logCp932);

class CErrorLogWindow : public QDialog {
    Q_OBJECT
public:
    CErrorLogWindow(std::string strLogPath, QWidget* pParent = nullptr);

    // Reads the log again (after a cycle, when the window is opened again).
    void Reload();
    QString Text() const;

private:
    std::string m_strLogPath;
    QPlainTextEdit* m_pText;
};
