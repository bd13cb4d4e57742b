#include "cli/StopSignals.h"

#include <csignal>

namespace mervalon::cli {
namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signalNumber)
{
    g_stopSignal = signalNumber;
}

} // namespace

void installStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the first signal asks, the second one (the default action) insists.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal()
{
    return g_stopSignal;
}

} // namespace mervalon::cli
