#include "app/CAboutDlg.h"

#include "dialog/CDataExchange.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/templates.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

constexpr int kLinkIds[CAboutDlg::kLinkCount] = {IDC_LINK_HOME, IDC_LINK_SUPPORT, IDC_LINK_DOWNLOAD,
                                                 IDC_LINK_MAIL};

// The template's icon item names a compiled-in picture.
const DialogTemplate& AboutTemplate() {
    InitQuibenResources();
    return kAboutTemplate;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : CDialog(AboutTemplate(), pParent) {}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kLinkCount; ++i)
        DDX_Control(pDX, kLinkIds[i], GetLink(i));
}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog(); // attaches the labels to their items
    for (CLinkLabel& link : m_links)
        link.EnableLink(true)
            .SetLabelColor(CLinkLabel::ColorFromRef(kLinkColorRef))
            .SetUnderline(true)
            .SetCursorHandle(LoadResCursor(IDC_HAND_LINK));
    FitLinksToText();
    return true; // the OK button gets the focus
}

void CAboutDlg::FitLinksToText() {
    // The links draw in the desktop's UI font, which is often wider than the
    // dialog font the template was measured in; an address cut short would
    // show something else than what a click opens. Such a line is widened,
    // and the box with it when needed.
    const int nMargin = GetBuilder().MapDialogRect(0, 0, 7, 0).width();
    int nRight = 0;
    for (CLinkLabel& link : m_links) {
        const QFontMetrics metrics(link.GetLabelFont());
        const QSize needed(metrics.horizontalAdvance(link.text()) + 2, metrics.height());
        link.resize(link.size().expandedTo(needed));
        nRight = std::max(nRight, link.geometry().right() + 1);
    }
    if (nRight + nMargin > width())
        setFixedWidth(nRight + nMargin);
}
