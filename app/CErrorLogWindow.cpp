#include "app/CErrorLogWindow.h"

#include "platform/codepage.h"
#include "res/resources.h"
#include "res/strings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kSeparator(40, '-');
// The log starts afresh past 64000 bytes; anything much larger is not the
// program's log and is shown only in part.
constexpr std::size_t kMaxShown = 1024 * 1024;

// Opened without following a link and without blocking on a FIFO; only a
// regular file is read.
std::string ReadLog(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    struct stat info {};
    std::string content;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[16384];
        ssize_t got;
        while (content.size() < kMaxShown && (got = read(fd, buffer, sizeof buffer)) > 0)
            content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

std::vector<std::string> SplitEntries(std::string_view text) {
    std::vector<std::string> entries;
    std::string current;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        current.append(line).append("\n");
        if (line == kSeparator) {
            entries.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty())
        entries.push_back(std::move(current));
    return entries;
}

} // namespace

std::string NewestEntriesFirst(std::string_view logCp932) {
    std::vector<std::string> entries = SplitEntries(logCp932);
    std::string text;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        text += *it;
    return Cp932ToUtf8(text);
}

CErrorLogWindow::CErrorLogWindow(std::string strLogPath, QWidget* pParent)
    : QDialog(pParent, Qt::Window), m_strLogPath(std::move(strLogPath)),
      m_pText(new QPlainTextEdit(this)) {
    setWindowTitle(QString::fromUtf8(healthtext::kLogCaption));
    setWindowIcon(LoadAppIcon());
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    pButtons->button(QDialogButtonBox::Close)->setText(QString::fromUtf8(healthtext::kLogClose));
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QString::fromUtf8(healthtext::kLogNote), this));
    pLayout->addWidget(m_pText);
    pLayout->addWidget(pButtons);
    resize(520, 360);
    Reload();
}

void CErrorLogWindow::Reload() {
    const std::string text = NewestEntriesFirst(ReadLog(m_strLogPath));
    m_pText->setPlainText(text.empty() ? QString::fromUtf8(healthtext::kLogEmpty)
                                       : QString::fromStdString(text));
    m_pText->moveCursor(QTextCursor::Start);
}

QString CErrorLogWindow::Text() const {
    return m_pText->toPlainText();
}
