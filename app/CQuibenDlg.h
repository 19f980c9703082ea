#pragma once
// The program's only permanent window: a frameless tool window shaped and
// painted by the skin bitmap, dragged with the left button, with a pop-up
// menu on the right button and the timer that drives the forwarding cycle.

#include "app/CAutostart.h"
#include "platform/dialog/CDialog.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CProfile;
class QMenu;

// Set while a timer-driven forwarding cycle runs, so that a tick arriving in
// the meantime (from a nested event loop) does not start a second one.
extern bool g_bInCycle;

// The timer's interval from RECV / TIMEUP, bounded as the original platform
// bounds a window timer: below 10 ms runs at 10 ms, and a negative value
// (read there as a huge unsigned number) at the longest interval.
int ForwardTimerInterval(int nTimeUp);

class CQuibenDlg : public CDialog {
    Q_OBJECT
public:
    // Runs one forwarding cycle; true when it completed.
    using CycleRunner = std::function<bool()>;
    // Runs a modal window (settings sheet, About box) with this window as owner.
    using DialogRunner = std::function<void(QWidget* pOwner)>;

    // dataFolders: where the skin and the read-me are looked for, in order.
    CQuibenDlg(CProfile& profile, std::vector<std::string> dataFolders, CycleRunner runCycle,
               QWidget* pParent = nullptr);
    ~CQuibenDlg() override;

    void SetSettingsRunner(DialogRunner runner) { m_runSettings = std::move(runner); }
    void SetAboutRunner(DialogRunner runner) { m_runAbout = std::move(runner); }
    // The login autostart that the menu's ログイン時に起動 switches; without
    // it that item is greyed.
    void SetAutostart(CAutostart autostart) { m_autostart = std::move(autostart); }

    // Menu 129 as it would open now: the check mark follows SEND / EXEC.
    std::unique_ptr<QMenu> CreateMainPopupMenu();
    void ShowPopupMenu(const QPoint& globalPos);

    // A tick of timer 3: one cycle when automatic forwarding is on and no
    // cycle runs.
    void OnTimerTick();
    // System-menu commands; 16 opens the About box.
    void OnSysCommand(int nId);

    const QTimer& GetForwardTimer() const { return m_timer; }
    const QImage& GetSkin() const { return m_skin; }
    const std::optional<QRegion>& GetSkinRegion() const { return m_skinRegion; }
    // Full path of the first existing file of that name in the data folders,
    // empty when there is none.
    std::string FindDataFile(const char* pszName) const;

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
    void OnToggleAutoForward();
    void OnToggleAutostart();
    void OnExit();
    void OnReadMe();
    void RunCycleNow();
    void RestorePosition();
    void StorePosition();
    bool IsAutoForwardOn() const;

    CProfile& m_profile;
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
};
