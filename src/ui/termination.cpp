#include "ui/termination.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace mirvo::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signo) {
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

void SetAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) ::sigaction(s, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::OnReadable);
    SetAction(OnTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
    SetAction(SIG_DFL);
}

void TerminationSignals::OnReadable() {
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    if (seen_) return;
    seen_ = true;
    // Closing may wait for a step of the reader to return; a second signal meanwhile is
    // taken as meant.
    SetAction(SIG_DFL);
    onSignal_();
}

}  // namespace mirvo::ui
