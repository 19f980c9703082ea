#include "app/CTerminationWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe; a signal handler may only write to it.
int g_hSignalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_hSignalPipe[1], &byte, 1);
    errno = savedErrno;
}

constexpr int kWatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

bool CTerminationWatcher::CatchSignals() {
    if (g_hSignalPipe[0] >= 0)
        return true;
    if (pipe2(g_hSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : kWatchedSignals)
        sigaction(nSignal, &action, nullptr);
    return true;
}

CTerminationWatcher::CTerminationWatcher(std::function<void()> onTerminate)
    : m_onTerminate(std::move(onTerminate)) {
    if (g_hSignalPipe[0] < 0)
        return;
    m_pNotifier = std::make_unique<QSocketNotifier>(g_hSignalPipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this,
            &CTerminationWatcher::OnSignalPipe);
}

CTerminationWatcher::~CTerminationWatcher() = default;

void CTerminationWatcher::OnSignalPipe() {
    char buffer[16];
    while (read(g_hSignalPipe[0], buffer, sizeof buffer) > 0) {
    }
    if (m_onTerminate)
        m_onTerminate();
}
