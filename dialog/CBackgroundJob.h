#pragma once
// Work that must not hold up the window (a forwarding cycle waiting on a
// server, a connection test) runs on a thread of its own, and what it found
// comes back to the user-interface thread. The thread is never joined: a job
// stuck in a network call must not keep the window, or the end of the
// program, waiting. If the job object is gone when the work ends (its window
// closed), the result is dropped.

#include <QObject>
#include <functional>
#include <memory>

class CBackgroundJob : public QObject {
    Q_OBJECT
public:
    // Runs on the worker thread; what it returns then runs on the
    // user-interface thread (may be empty). Whatever the work needs must be
    // owned by the work itself: the window may be gone before it ends.
    using Work = std::function<std::function<void()>()>;

    explicit CBackgroundJob(QObject* pParent = nullptr);
    ~CBackgroundJob() override;

    // False, and nothing started, while this job's previous work runs.
    bool Start(Work work);
    bool IsRunning() const { return m_bRunning; }

    // Worker threads of every job whose work has not ended yet. While any
    // runs, the program must end without running the destructors of
    // process-wide state the work may still use.
    static int RunningThreads();

signals:
    // After the result has been handed over (also when the work failed).
    void Finished();

private:
    struct CLink;
    void Finish(const std::function<void()>& done);

    std::shared_ptr<CLink> m_pLink;
    bool m_bRunning = false;
};
