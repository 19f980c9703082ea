#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a session ending, a kill, Ctrl+C) into a
// call on the user-interface thread, so that the main window closes the
// ordinary way and stores its position instead of vanishing.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

class CTerminationWatcher : public QObject {
    Q_OBJECT
public:
    // Takes the signals over before anything else starts, so that a signal
    // arriving while the window is still being made is kept and delivered
    // once the event loop runs. False when that is not possible.
    static bool CatchSignals();

    // Delivers caught signals (CatchSignals first) to onTerminate.
    explicit CTerminationWatcher(std::function<void()> onTerminate);
    ~CTerminationWatcher() override;

    bool IsActive() const { return m_pNotifier != nullptr; }

private:
    void OnSignalPipe();

    std::function<void()> m_onTerminate;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
