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
    explicit CTerminationWatcher(std::function<void()> onTerminate);
    ~CTerminationWatcher() override;

    // False when the signals could not be taken over; they then keep their
    // default effect.
    bool IsActive() const { return m_pNotifier != nullptr; }

private:
    void OnSignalPipe();

    std::function<void()> m_onTerminate;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
