#include "app/CQuibenDlg.h"

#include "app/CErrorLogWindow.h"
#include "app/CHealthDisplay.h"
#include "app/CreateRegionFromBitmap.h"
#include "config/CSettingsStore.h"
#include "config/schema.h"
#include "dialog/MenuTemplate.h"
#include "dialog/ShellOpen.h"
#include "engine/errorlog.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"
#include "res/templates.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QWindow>
#include <cstdio>
#include <sys/stat.h>

bool g_bInCycle = false;

namespace {

// The window that stands in for a missing skin: a plain square with the
// program's icon, still dragged and right-clicked like the figure.
constexpr int kPlainWindowSize = 96;
constexpr int kPlainIconSize = 64;

QImage MakePlainSkin() {
    QImage image(kPlainWindowSize, kPlainWindowSize, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter painter(&image);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    const int nOffset = (kPlainWindowSize - kPlainIconSize) / 2;
    painter.drawPixmap(nOffset, nOffset, LoadAppIcon().pixmap(kPlainIconSize, kPlainIconSize));
    return image;
}

// What a failed cycle reports when the cycle itself broke (it reports
// failures by its result, so this is the last line of defence).
CycleReport BrokenCycleReport(const char* pszWhat) {
    CycleReport report;
    report.tFinished = std::time(nullptr);
    report.strErrors = pszWhat;
    return report;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

int ForwardTimerInterval(int nTimeUp) {
    return nTimeUp < kMinForwardInterval ? kMinForwardInterval : nTimeUp;
}

CQuibenDlg::CQuibenDlg(CSettingsStore& store, std::vector<std::string> dataFolders,
                       CycleRunner runCycle, QWidget* pParent)
    : CDialog(kMainDialogTemplate, pParent), m_store(store), m_dataFolders(std::move(dataFolders)),
      m_runCycle(std::move(runCycle)) {
    setWindowIcon(LoadAppIcon());
    setWindowTitle(QString::fromUtf8(restext::kAppName));
    m_timer.setObjectName(QStringLiteral("timer%1").arg(ID_FORWARD_TIMER));
    connect(&m_timer, &QTimer::timeout, this, &CQuibenDlg::OnTimerTick);
    UpdateToolTip();
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
    LoadSkin();
    setFixedSize(m_skin.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_ptBadge = CHealthDisplay::BadgeCentre(m_skinRegion ? *m_skinRegion : QRegion(m_skin.rect()),
                                            m_skin.size());
    return true;
}

void CQuibenDlg::LoadSkin() {
    const std::string skinPath = FindDataFile(schema::kSkinFile);
    if (!skinPath.empty())
        m_skin = QImage(QString::fromStdString(skinPath));
    if (m_skin.isNull()) {
        // Without its picture the program still forwards mail; it says what
        // is missing and where it looked, and keeps a window to click.
        ReportMissingFile(healthtext::kMissingSkin, schema::kSkinFile);
        UsePlainWindow();
        return;
    }
    // White is the background the outline is cut from; a skin that gives no
    // region leaves the window rectangular.
    m_skinRegion = CreateRegionFromBitmap(m_skin, qRgb(255, 255, 255), true);
    if (m_skinRegion && !m_skinRegion->isEmpty())
        setMask(*m_skinRegion);
}

void CQuibenDlg::UsePlainWindow() {
    m_skin = MakePlainSkin();
    m_skinRegion.reset();
    clearMask();
}

void CQuibenDlg::ReportMissingFile(const char* pszFormat, const char* pszName) const {
    QStringList folders;
    for (const std::string& folder : m_dataFolders)
        if (!folder.empty())
            folders << QString::fromStdString(folder);
    const QString text =
        QString::fromUtf8(pszFormat).arg(QString::fromUtf8(pszName), folders.join('\n'));
    std::fprintf(stderr, "quiben: %s not found in %s\n", pszName,
                 folders.join(QStringLiteral(", ")).toUtf8().constData());
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(restext::kAppName), text,
                    QMessageBox::Ok);
    box.exec();
}

bool CQuibenDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    RestorePosition();
    StartForwardTimer();
    return true;
}

void CQuibenDlg::StartForwardTimer() {
    const CTimerSettings timer = m_store.Load<CTimerSettings>();
    const int nInterval = ForwardTimerInterval(timer.nTimeUp);
    if (nInterval != timer.nTimeUp) {
        // Noted once per start, which is when the interval is read.
        const QString value = QString::fromStdString(Cp932ToUtf8(timer.strTimeUp));
        WriteErrorLog(
            AppDir(),
            Utf8ToCp932(QString::fromUtf8(healthtext::kTimeUpRaised).arg(value).toStdString()));
    }
    m_timer.start(nInterval);
}

std::string CQuibenDlg::AppDir() const {
    return m_store.AppDir();
}

void CQuibenDlg::RestorePosition() {
    // Without a stored position the window stays where the template puts it.
    const CWindowPlacement placement = m_store.Load<CWindowPlacement>();
    if (!placement.IsStored())
        return;
    const QPoint stored(placement.nX, placement.nY);
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
    m_store.Save(CWindowPlacement{topLeft.x(), topLeft.y()});
}

void CQuibenDlg::OnDestroy() {
    m_timer.stop();
    StorePosition();
}

bool CQuibenDlg::IsAutoForwardOn() const {
    return m_store.Load<CForwardingSettings>().bAutoForward != 0;
}

void CQuibenDlg::OnTimerTick() {
    if (!IsAutoForwardOn() || g_bInCycle)
        return;
    StartCycle();
}

void CQuibenDlg::RunCycleNow() {
    // 今すぐ転送 does not consult the switch; a cycle already running covers
    // it (two at once would forward the same mail twice).
    if (g_bInCycle)
        return;
    StartCycle();
}

void CQuibenDlg::StartCycle() {
    if (!m_runCycle)
        return;
    CycleRunner runCycle = m_runCycle;
    // The worker touches only the runner; the report comes back here.
    const bool bStarted = m_cycleJob.Start([this, runCycle]() -> std::function<void()> {
        CycleReport report;
        try {
            report = runCycle();
        } catch (const std::exception& error) {
            report = BrokenCycleReport(error.what());
        } catch (...) {
            report = BrokenCycleReport("?");
        }
        return [this, report] { OnCycleReport(report); };
    });
    if (!bStarted)
        return;
    g_bInCycle = true;
    UpdateToolTip();
}

void CQuibenDlg::OnCycleReport(const CycleReport& report) {
    g_bInCycle = false;
    m_lastReport = report;
    m_notifier.OnCycleFinished(report);
    if (m_pErrorLog != nullptr && m_pErrorLog->isVisible())
        m_pErrorLog->Reload();
    UpdateToolTip();
    update();
    emit CycleFinished();
}

void CQuibenDlg::UpdateToolTip() {
    setToolTip(CHealthDisplay::ToolTip(m_lastReport, g_bInCycle));
}

void CQuibenDlg::Activate() {
    show();
    raise();
    activateWindow();
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
    case ID_MENU_ERROR_LOG:
        ShowErrorLog();
        break;
    default:
        CDialog::OnCommand(nId);
        break;
    }
}

void CQuibenDlg::OnToggleAutoForward() {
    // The lowest bit of the stored value flips: a value set by hand to 2
    // becomes 3 and stays on, as files of earlier versions expect.
    CForwardingSettings forwarding = m_store.Load<CForwardingSettings>();
    forwarding.bAutoForward ^= 1;
    m_store.Save(forwarding);
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
    const std::string path = FindDataFile(schema::kReadMeFile);
    if (path.empty()) {
        ReportMissingFile(healthtext::kMissingReadMe, schema::kReadMeFile);
        return;
    }
    if (!ShellOpen(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        const QString text =
            QString::fromUtf8(healthtext::kReadMeNotOpened).arg(QString::fromStdString(path));
        std::fprintf(stderr, "quiben: %s\n", text.toUtf8().constData());
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(restext::kAppName), text,
                        QMessageBox::Ok, this);
        box.exec();
    }
}

CErrorLogWindow* CQuibenDlg::GetErrorLogWindow() const {
    return m_pErrorLog;
}

void CQuibenDlg::ShowErrorLog() {
    if (m_pErrorLog == nullptr) {
        m_pErrorLog = new CErrorLogWindow(JoinPath(AppDir(), schema::kErrorLogFile), this);
        // Centred on the screen, not over the small figure: placed over a
        // figure near the top edge, its title bar would be out of reach.
        if (const QScreen* pScreen = screen())
            m_pErrorLog->move(pScreen->availableGeometry().center() - m_pErrorLog->rect().center());
    } else
        m_pErrorLog->Reload();
    m_pErrorLog->show();
    m_pErrorLog->raise();
    m_pErrorLog->activateWindow();
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
    if (QAction* pRunNow = FindMenuCommand(*pMenu, ID_RUN_CYCLE_NOW))
        pRunNow->setEnabled(!g_bInCycle);
    return pMenu;
}

void CQuibenDlg::ShowPopupMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> pMenu = CreateMainPopupMenu();
    QAction* pChosen = pMenu->exec(globalPos);
    // The menu goes before its command runs, so a command that opens a
    // window (the settings, the About box) never opens it under the menu.
    const int nId = pChosen ? pChosen->data().toInt() : 0;
    pMenu.reset();
    if (nId != 0)
        OnCommand(nId);
}

void CQuibenDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_skin);
    if (IsBadgeShown())
        CHealthDisplay::PaintBadge(painter, m_ptBadge);
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
