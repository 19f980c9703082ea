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

CTerminationWatcher::CTerminationWatcher(std::function<void()> onTerminate)
    : m_onTerminate(std::move(onTerminate)) {
    if (g_hSignalPipe[0] >= 0 || pipe2(g_hSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_pNotifier = std::make_unique<QSocketNotifier>(g_hSignalPipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this,
            &CTerminationWatcher::OnSignalPipe);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : kWatchedSignals)
        sigaction(nSignal, &action, nullptr);
}

CTerminationWatcher::~CTerminationWatcher() {
    if (!m_pNotifier)
        return;
    for (int nSignal : kWatchedSignals)
        signal(nSignal, SIG_DFL);
    m_pNotifier.reset();
    close(g_hSignalPipe[0]);
    close(g_hSignalPipe[1]);
    g_hSignalPipe[0] = g_hSignalPipe[1] = -1;
}

void CTerminationWatcher::OnSignalPipe() {
    char buffer[16];
    while (read(g_hSignalPipe[0], buffer, sizeof buffer) > 0) {
    }
    if (m_onTerminate)
        m_onTerminate();
}
