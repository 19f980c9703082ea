#include "dialog/CBackgroundJob.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_nRunningThreads{0};

} // namespace

// What the worker thread shares with the job object: the object, while it
// lives. Handing a result over and destroying the object exclude each other.
struct CBackgroundJob::CLink {
    std::mutex mutex;
    CBackgroundJob* pJob = nullptr;
};

CBackgroundJob::CBackgroundJob(QObject* pParent)
    : QObject(pParent), m_pLink(std::make_shared<CLink>()) {
    m_pLink->pJob = this;
}

CBackgroundJob::~CBackgroundJob() {
    std::lock_guard lock(m_pLink->mutex);
    m_pLink->pJob = nullptr;
}

int CBackgroundJob::RunningThreads() {
    return g_nRunningThreads.load();
}

bool CBackgroundJob::Start(Work work) {
    if (m_bRunning)
        return false;
    m_bRunning = true;
    ++g_nRunningThreads;
    std::thread([link = m_pLink, work = std::move(work)]() mutable {
        {
            std::function<void()> done;
            try {
                done = work();
            } catch (...) {
                // The work's own failure handling failed; the window still
                // learns that the job ended.
            }
            // What the work owned goes here, on this thread, before the
            // result is handed over.
            work = nullptr;
            std::lock_guard lock(link->mutex);
            if (CBackgroundJob* pJob = link->pJob)
                QMetaObject::invokeMethod(
                    pJob, [pJob, done = std::move(done)] { pJob->Finish(done); },
                    Qt::QueuedConnection);
        }
        link.reset();
        --g_nRunningThreads;
    }).detach();
    return true;
}

void CBackgroundJob::Finish(const std::function<void()>& done) {
    m_bRunning = false;
    if (done)
        done();
    emit Finished();
}
