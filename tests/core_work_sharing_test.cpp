// Work shared over threads ends on the caller, after every thread has stopped, when a piece
// fails on any thread or when the work is asked to stop; the pieces left are not taken.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "core/interruption.hpp"
#include "core/work_sharing.hpp"

namespace voxmill {
namespace {

TEST(WorkSharing, AFailingPieceOrAStopRequestEndsTheWorkOnTheCaller) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop requested" : "a piece fails");
        std::atomic<int> taken{0}, running{0};
        bool reached_caller = false;
        try {
            share_work(0, 1000, 1, 4, [&](std::int64_t begin, std::int64_t) {
                ++running;
                ++taken;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                --running;
                if (begin != 10) return;
                if (!stop) throw std::runtime_error("piece 10");
                request_interruption();
            });
        } catch (const std::runtime_error& e) {
            reached_caller = !stop && std::string(e.what()) == "piece 10" && running == 0;
        } catch (const Interrupted&) {
            reached_caller = stop && running == 0;
        }
        clear_interruption();
        EXPECT_TRUE(reached_caller);
        EXPECT_LT(taken, 100);
    }
}

}  // namespace
}  // namespace voxmill
