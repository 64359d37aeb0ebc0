#include "foundation/Process.h"

#include <atomic>

namespace ns {

namespace {
std::atomic<Process*> currentProcess{nullptr};
}  // namespace

Process::Process()
    : clock_(std::make_unique<Clock>()),
      loop_(std::make_unique<RunLoop>(*clock_)),
      center_(std::make_unique<NotificationCenter>()) {}

Process::~Process() { windDown(); }

void Process::windDown() {
    loop_->invalidateAllTimers();
    center_->removeAllObservers();
    std::vector<std::pair<std::type_index, std::shared_ptr<void>>> parts;
    {
        std::lock_guard lock(partsMutex_);
        parts.swap(parts_);
    }
    while (!parts.empty()) parts.pop_back();  // the last made goes first
    loop_->invalidateAllTimers();             // made while the parts went
}

Process& Process::current() {
    Process* p = currentProcess.load(std::memory_order_acquire);
    if (p) return *p;
    static Process* own = new Process;  // never destroyed: timers may fire during exit
    Process* expected = nullptr;
    currentProcess.compare_exchange_strong(expected, own);
    return *currentProcess.load(std::memory_order_acquire);
}

ProcessScope::ProcessScope() : process_(std::make_unique<Process>()), previous_(&Process::current()) {
    currentProcess.store(process_.get(), std::memory_order_release);
}

ProcessScope::~ProcessScope() {
    // Still current while its objects go, so what they touch is their own.
    process_->windDown();
    currentProcess.store(previous_, std::memory_order_release);
    process_.reset();
}

}  // namespace ns
