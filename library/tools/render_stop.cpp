#include "render_stop.h"

#include <chrono>
#include <csignal>

#include "korvid.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;
std::chrono::steady_clock::time_point g_deadline{};
bool g_budget = false;

void onSignal(int signal) { g_signal = signal; }

bool goOn(float, void*) { return !stopRequested() && !budgetSpent(); }

}  // namespace

void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    objSetProgressCallback(goOn, nullptr);
}

bool stopRequested() { return g_signal != 0; }

int stopStatus() { return 128 + g_signal; }

void startTimeBudget(int milliseconds) {
    g_budget = milliseconds > 0;
    g_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

bool budgetSpent() { return g_budget && std::chrono::steady_clock::now() >= g_deadline; }
