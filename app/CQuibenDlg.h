#pragma once
// The program's only permanent window: a frameless tool window shaped and
// painted by the skin bitmap, dragged with the left button, with a pop-up
// menu on the right button and the timer that drives the forwarding cycle.
// The cycle runs on a worker thread; the window shows its outcome (a badge
// after an error, a tooltip, desktop notifications).

#include "app/CAutostart.h"
#include "app/CDesktopNotifier.h"
#include "dialog/CBackgroundJob.h"
#include "dialog/CDialog.h"
#include "engine/CycleReport.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CErrorLogWindow;
class CSettingsStore;
class QMenu;

// Set from the start of a forwarding cycle until the window has its report,
// so that neither a timer tick nor 今すぐ転送 starts a second one meanwhile.
extern bool g_bInCycle;

// The timer's interval from RECV / TIMEUP: a value below one minute, or no
// number at all (read as 0), would poll the user's mail server back to back.
inline constexpr int kMinForwardInterval = 60000;
int ForwardTimerInterval(int nTimeUp);

class CQuibenDlg : public CDialog {
    Q_OBJECT
public:
    // Runs one forwarding cycle on a worker thread and returns its report.
    // It must own what it uses (the window may be gone before it returns).
    using CycleRunner = std::function<CycleReport()>;
    // Runs a modal window (settings sheet, About box) with this window as owner.
    using DialogRunner = std::function<void(QWidget* pOwner)>;

    // dataFolders: where the skin and the read-me are looked for, in order.
    CQuibenDlg(CSettingsStore& store, std::vector<std::string> dataFolders, CycleRunner runCycle,
               QWidget* pParent = nullptr);
    ~CQuibenDlg() override;

    void SetSettingsRunner(DialogRunner runner) { m_runSettings = std::move(runner); }
    void SetAboutRunner(DialogRunner runner) { m_runAbout = std::move(runner); }
    // The login autostart that the menu's ログイン時に起動 switches; without
    // it that item is greyed.
    void SetAutostart(CAutostart autostart) { m_autostart = std::move(autostart); }

    // The pop-up menu as it would open now: the check mark follows SEND /
    // EXEC; 今すぐ転送 is greyed while a cycle runs.
    std::unique_ptr<QMenu> CreateMainPopupMenu();
    void ShowPopupMenu(const QPoint& globalPos);

    // A tick of the forwarding timer: one cycle when automatic forwarding is
    // on and no cycle runs.
    void OnTimerTick();
    // A second start asked for the window: to the front.
    void Activate();

    bool IsCycleRunning() const { return m_cycleJob.IsRunning(); }
    const std::optional<CycleReport>& GetLastReport() const { return m_lastReport; }
    bool IsBadgeShown() const { return m_lastReport && m_lastReport->HadError(); }
    QPoint GetBadgeCentre() const { return m_ptBadge; }
    CErrorLogWindow* GetErrorLogWindow() const;
    const CDesktopNotifier& GetNotifier() const { return m_notifier; }

    const QTimer& GetForwardTimer() const { return m_timer; }
    const QImage& GetSkin() const { return m_skin; }
    const std::optional<QRegion>& GetSkinRegion() const { return m_skinRegion; }
    // Full path of the first existing file of that name in the data folders,
    // empty when there is none.
    std::string FindDataFile(const char* pszName) const;

signals:
    // A cycle's report has been taken in (badge, tooltip, notification).
    void CycleFinished();

protected:
    bool OnCreate() override;
    bool OnInitDialog() override;
    void OnCommand(int nId) override;
    void OnDestroy() override;

    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void LoadSkin();
    void UsePlainWindow();
    void StartForwardTimer();
    void StartCycle();
    void OnCycleReport(const CycleReport& report);
    void UpdateToolTip();
    void OnToggleAutoForward();
    void OnToggleAutostart();
    void OnExit();
    void OnReadMe();
    void ShowErrorLog();
    void RunCycleNow();
    void RestorePosition();
    void StorePosition();
    bool IsAutoForwardOn() const;
    std::string AppDir() const;
    void ReportMissingFile(const char* pszFormat, const char* pszName) const;

    CSettingsStore& m_store;
    std::vector<std::string> m_dataFolders;
    CycleRunner m_runCycle;
    DialogRunner m_runSettings;
    DialogRunner m_runAbout;
    std::optional<CAutostart> m_autostart;
    QImage m_skin;
    std::optional<QRegion> m_skinRegion;
    QTimer m_timer;
    bool m_bManualDrag = false;
    QPoint m_ptDragOffset;

    CBackgroundJob m_cycleJob;
    std::optional<CycleReport> m_lastReport;
    QPoint m_ptBadge;
    CDesktopNotifier m_notifier;
    QPointer<CErrorLogWindow> m_pErrorLog; // a child window, made when first asked for
};
