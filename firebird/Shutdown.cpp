#include "Shutdown.h"

#include "Internal.h"

#include <future>
#include <thread>

namespace fb {

bool shutdownClient(std::chrono::milliseconds limit) noexcept
{
    try {
        auto done = std::make_shared<std::promise<bool>>();
        std::future<bool> result = done->get_future();
        // On a thread of its own: when a detach hangs, this thread is abandoned with the library.
        std::thread worker([done, limit] {
            bool ok = false;
            try {
                Firebird::IProvider* dispatcher = detail::master()->getDispatcher();
                detail::Status status;
                dispatcher->shutdown(&status, static_cast<unsigned>(limit.count()), fb_shutrsn_exit_called);
                dispatcher->release();
                ok = true;
            } catch (...) {
            }
            done->set_value(ok);
        });
        if (result.wait_for(limit) != std::future_status::ready) {
            worker.detach();
            return false;
        }
        // Joined, so no thread of ours is still ending while the process exits.
        worker.join();
        return result.get();
    } catch (...) {
        return false;
    }
}

namespace {

// Asked before the library acts on a signal: anything but 0 calls its shutdown off.
int keepSignalsAway(const int reason, const int, void*)
{
    return reason == fb_shutrsn_signal ? 1 : 0;
}

} // namespace

bool leaveSignalsToProgram() noexcept
{
    ISC_STATUS_ARRAY status = {};
    return fb_shutdown_callback(status, keepSignalsAway, fb_shut_confirmation, nullptr) == 0;
}

} // namespace fb
