// The one owner of a process's state: its clock, run loop and notification
// centre, and the parts that upper layers keep per process (the toolkit's
// windows, alerts, animations and touch state). There is one per process, as
// on the device; a test makes a fresh one with ProcessScope instead of
// resetting globals.
//
//   TEST(Panel, Ticks) {
//       ns::ProcessScope fresh;           // a new clock, loop, centre and toolkit state
//       ns::useVirtualClock(kMonday);
//       ...
//   }                                     // gone again; the process's own comes back
//
// The class registry and the installed hooks stay process-wide, as on the
// device: tests of hooking keep their own process.
#pragma once

#include <memory>
#include <mutex>
#include <typeindex>
#include <utility>
#include <vector>

#include "foundation/Clock.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

namespace ns {

class Process {
public:
    Process();
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // The process's own (made on first use, never destroyed: timers may fire
    // during exit), or the one a ProcessScope put in its place.
    static Process& current();

    Clock& clock() { return *clock_; }
    RunLoop& runLoop() { return *loop_; }
    NotificationCenter& notificationCenter() { return *center_; }

    // The per-process state of an upper layer, made on first use and destroyed
    // with the process, after its timers and observers let go.
    template <class T>
    T& part() {
        std::lock_guard lock(partsMutex_);
        for (auto& [type, object] : parts_)
            if (type == std::type_index(typeid(T))) return *static_cast<T*>(object.get());
        auto made = std::make_shared<T>();
        T& result = *made;
        parts_.emplace_back(std::type_index(typeid(T)), std::move(made));
        return result;
    }

private:
    friend class ProcessScope;
    // Timers, observers and parts let go while the clock, loop and centre still stand.
    void windDown();

    std::unique_ptr<Clock> clock_;
    std::unique_ptr<RunLoop> loop_;
    std::unique_ptr<NotificationCenter> center_;
    std::mutex partsMutex_;
    std::vector<std::pair<std::type_index, std::shared_ptr<void>>> parts_;
};

// A fresh process state for as long as it lives (tests).
class ProcessScope {
public:
    ProcessScope();
    ~ProcessScope();
    ProcessScope(const ProcessScope&) = delete;
    ProcessScope& operator=(const ProcessScope&) = delete;
    Process& process() { return *process_; }

private:
    std::unique_ptr<Process> process_;
    Process* previous_;
};

}  // namespace ns
