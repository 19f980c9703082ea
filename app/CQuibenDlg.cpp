#include "app/CQuibenDlg.h"

#include "app/CreateRegionFromBitmap.h"
#include "platform/dialog/ShellOpen.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"
#include "res/templates.h"
#include "settings/schema.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <climits>
#include <sys/stat.h>

bool g_bInCycle = false;

namespace {

constexpr int kMinTimerInterval = 10;

// Clears the guard flag however the cycle ends.
class CCycleGuard {
public:
    CCycleGuard() { g_bInCycle = true; }
    ~CCycleGuard() { g_bInCycle = false; }
    CCycleGuard(const CCycleGuard&) = delete;
    CCycleGuard& operator=(const CCycleGuard&) = delete;
};

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

int ForwardTimerInterval(int nTimeUp) {
    if (nTimeUp < 0)
        return INT_MAX;
    return nTimeUp < kMinTimerInterval ? kMinTimerInterval : nTimeUp;
}

CQuibenDlg::CQuibenDlg(CProfile& profile, std::vector<std::string> dataFolders,
                       CycleRunner runCycle, QWidget* pParent)
    : CDialog(kMainDialogTemplate, pParent), m_profile(profile),
      m_dataFolders(std::move(dataFolders)), m_runCycle(std::move(runCycle)) {
    setWindowIcon(LoadAppIcon());
    setWindowTitle(QString::fromUtf8(restext::kAppName));
    m_timer.setObjectName(QStringLiteral("timer%1").arg(ID_FORWARD_TIMER));
    connect(&m_timer, &QTimer::timeout, this, &CQuibenDlg::OnTimerTick);
}

CQuibenDlg::~CQuibenDlg() = default;

std::string CQuibenDlg::FindDataFile(const char* pszName) const {
    for (const std::string& folder : m_dataFolders) {
        if (folder.empty())
            continue;
        std::string path = JoinPath(folder, pszName);
        if (FileExists(path))
            return path;
    }
    return std::string();
}

bool CQuibenDlg::OnCreate() {
    // Without its skin the window is not created and the program ends.
    const std::string skinPath = FindDataFile(schema::kSkinFile);
    if (skinPath.empty())
        return false;
    m_skin = QImage(QString::fromStdString(skinPath));
    if (m_skin.isNull())
        return false;
    // White is the background the outline is cut from; a skin that gives no
    // region leaves the window rectangular.
    m_skinRegion = CreateRegionFromBitmap(m_skin, qRgb(255, 255, 255), true);
    if (m_skinRegion && !m_skinRegion->isEmpty())
        setMask(*m_skinRegion);
    setFixedSize(m_skin.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    return true;
}

bool CQuibenDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // A frameless window has no system menu here; the About box is reached
    // through the pop-up menu and OnSysCommand.
    RestorePosition();
    m_timer.start(ForwardTimerInterval(
        m_profile.GetProfileInt(schema::kSectionRecv, schema::kKeyTimeUp, schema::kDefaultTimeUp)));
    return true;
}

void CQuibenDlg::RestorePosition() {
    // A stored X of 10000 is the "nothing stored" default: stay where the
    // template puts the window.
    if (m_profile.GetProfileInt(schema::kSectionPosition, schema::kKeyPositionX,
                                schema::kNoPosition) == schema::kNoPosition)
        return;
    const QPoint stored(
        m_profile.GetProfileInt(schema::kSectionPosition, schema::kKeyPositionX, 0),
        m_profile.GetProfileInt(schema::kSectionPosition, schema::kKeyPositionY, 0));
    // A position on no screen any more (a monitor was removed) would leave
    // the window out of reach; it then stays at the template's place.
    const QRect wanted(stored, size());
    for (const QScreen* pScreen : QGuiApplication::screens())
        if (pScreen->geometry().intersects(wanted)) {
            move(stored);
            return;
        }
}

void CQuibenDlg::StorePosition() {
    const QPoint topLeft = frameGeometry().topLeft();
    m_profile.WriteProfileInt(schema::kSectionPosition, schema::kKeyPositionX, topLeft.x());
    m_profile.WriteProfileInt(schema::kSectionPosition, schema::kKeyPositionY, topLeft.y());
}

void CQuibenDlg::OnDestroy() {
    m_timer.stop();
    StorePosition();
}

bool CQuibenDlg::IsAutoForwardOn() const {
    return m_profile.GetProfileInt(schema::kSectionSend, schema::kKeyExec, schema::kDefaultExec) !=
           0;
}

void CQuibenDlg::OnTimerTick() {
    if (!IsAutoForwardOn() || g_bInCycle)
        return;
    CCycleGuard guard;
    if (m_runCycle)
        m_runCycle();
}

void CQuibenDlg::RunCycleNow() {
    // Command 1002 consults neither the switch nor the guard flag.
    if (m_runCycle)
        m_runCycle();
}

void CQuibenDlg::OnCommand(int nId) {
    switch (nId) {
    case ID_MENU_EXIT:
        OnExit();
        break;
    case ID_MENU_SETTINGS:
        if (m_runSettings)
            m_runSettings(this);
        break;
    case ID_RUN_CYCLE_NOW:
        RunCycleNow();
        break;
    case ID_MENU_AUTO_FORWARD:
        OnToggleAutoForward();
        break;
    case ID_MENU_VERSION:
        if (m_runAbout)
            m_runAbout(this);
        break;
    case ID_MENU_README:
        OnReadMe();
        break;
    case ID_MENU_AUTOSTART:
        OnToggleAutostart();
        break;
    default:
        CDialog::OnCommand(nId);
        break;
    }
}

void CQuibenDlg::OnSysCommand(int nId) {
    if ((nId & 0xFFF0) == IDM_ABOUTBOX && m_runAbout)
        m_runAbout(this);
}

void CQuibenDlg::OnToggleAutoForward() {
    const int nExec =
        m_profile.GetProfileInt(schema::kSectionSend, schema::kKeyExec, schema::kDefaultExec);
    m_profile.WriteProfileInt(schema::kSectionSend, schema::kKeyExec, 1 ^ nExec);
}

void CQuibenDlg::OnToggleAutostart() {
    // The check mark shows the entry as it is found, so a write that fails
    // shows as the item staying unchecked.
    if (m_autostart)
        m_autostart->SetEnabled(!m_autostart->IsEnabled());
}

void CQuibenDlg::OnExit() {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(restext::kAppName),
                    QString::fromUtf8(restext::kExitQuestion), QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8(restext::kButtonYes));
    box.button(QMessageBox::No)->setText(QString::fromUtf8(restext::kButtonNo));
    if (box.exec() == QMessageBox::Yes)
        EndDialog(0);
}

void CQuibenDlg::OnReadMe() {
    // As on the original platform, a missing read-me or a desktop without a
    // program for it is not reported.
    const std::string path = FindDataFile(schema::kReadMeFile);
    if (!path.empty())
        ShellOpen(QUrl::fromLocalFile(QString::fromStdString(path)));
}

std::unique_ptr<QMenu> CQuibenDlg::CreateMainPopupMenu() {
    std::unique_ptr<QMenu> pMenu(CreatePopupMenu(kMainPopupMenu, nullptr));
    if (QAction* pToggle = FindMenuCommand(*pMenu, ID_MENU_AUTO_FORWARD)) {
        pToggle->setCheckable(true);
        pToggle->setChecked(IsAutoForwardOn());
    }
    if (QAction* pAutostart = FindMenuCommand(*pMenu, ID_MENU_AUTOSTART)) {
        pAutostart->setCheckable(true);
        pAutostart->setChecked(m_autostart && m_autostart->IsEnabled());
        pAutostart->setEnabled(m_autostart.has_value());
    }
    return pMenu;
}

void CQuibenDlg::ShowPopupMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> pMenu = CreateMainPopupMenu();
    QAction* pChosen = pMenu->exec(globalPos);
    // The menu goes before its command runs, as a menu closes before the
    // original platform delivers the command.
    const int nId = pChosen ? pChosen->data().toInt() : 0;
    pMenu.reset();
    if (nId != 0)
        OnCommand(nId);
}

void CQuibenDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_skin);
}

void CQuibenDlg::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() != Qt::LeftButton) {
        CDialog::mousePressEvent(pEvent);
        return;
    }
    // The desktop moves the window when it can; otherwise it follows the
    // mouse here until the button goes up.
    QWindow* pWindow = windowHandle();
    if (pWindow != nullptr && pWindow->startSystemMove())
        return;
    m_bManualDrag = true;
    m_ptDragOffset = pEvent->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CQuibenDlg::mouseMoveEvent(QMouseEvent* pEvent) {
    if (m_bManualDrag && (pEvent->buttons() & Qt::LeftButton))
        move(pEvent->globalPosition().toPoint() - m_ptDragOffset);
    else
        CDialog::mouseMoveEvent(pEvent);
}

void CQuibenDlg::keyPressEvent(QKeyEvent* pEvent) {
    // The window keeps the keyboard after its menu closes, and a dialog's
    // Escape would end the program at once: forwarding would stop without
    // the exit question. Escape and Enter do nothing here; the menu's 終了
    // and the desktop's close request end the program.
    switch (pEvent->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pEvent->accept();
        return;
    default:
        CDialog::keyPressEvent(pEvent);
        return;
    }
}

void CQuibenDlg::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton) {
        m_bManualDrag = false;
        return;
    }
    if (pEvent->button() == Qt::RightButton) {
        ShowPopupMenu(pEvent->globalPosition().toPoint());
        return;
    }
    CDialog::mouseReleaseEvent(pEvent);
}
