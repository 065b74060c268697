#include "formats/signal_cleanup.hpp"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace voxmill {

namespace {

// A name moves free -> filled -> noted when a temporary is made, and back to free when it is
// forgotten. The handler takes a noted name for itself before it reads it, so that no new
// name can be written into the place while the handler removes the old one.
enum SlotState : int { kFree, kFilled, kNoted, kTakenBySignal };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

constexpr int kSlots = 16;  // outputs open at once: one or two in any option or command
Slot slots[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void remove_temporaries_and_end(int signal) {
    for (Slot& slot : slots) {
        int noted = kNoted;
        if (slot.state.compare_exchange_strong(noted, kTakenBySignal)) ::unlink(slot.path);
    }
    // The handler was set back to the default on entry: the signal now ends the program,
    // here or as soon as the handler returns.
    ::raise(signal);
}

}  // namespace

void remove_temporaries_on_signals() {
    struct sigaction action {};
    action.sa_handler = remove_temporaries_and_end;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int s : kSignals) sigaddset(&action.sa_mask, s);
    for (const int s : kSignals) {
        struct sigaction before {};
        if (::sigaction(s, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) ::sigaction(s, &action, nullptr);
    }
}

TemporaryNote::TemporaryNote(const std::string& path) {
    if (path.size() >= sizeof slots[0].path) return;
    for (int i = 0; i < kSlots; ++i) {
        int free = kFree;
        if (slots[i].state.compare_exchange_strong(free, kFilled)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].state.store(kNoted);
            slot_ = i;
            return;
        }
    }
}

TemporaryNote& TemporaryNote::operator=(TemporaryNote&& other) noexcept {
    if (this != &other) {
        forget();
        slot_ = other.slot_;
        other.slot_ = -1;
    }
    return *this;
}

void TemporaryNote::forget() {
    if (slot_ < 0) return;
    // A place the handler has taken stays taken: the program is ending.
    int noted = kNoted;
    slots[slot_].state.compare_exchange_strong(noted, kFree);
    slot_ = -1;
}

}  // namespace voxmill
