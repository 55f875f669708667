#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace veldris {

// A mutex that can be waited for with a time limit on the steady clock (a TimedLockable, for
// std::unique_lock). Built on a mutex and a condition variable rather than std::timed_mutex:
// libstdc++ waits for that one through pthread_mutex_clocklock, which the ThreadSanitizer of
// GCC 12 does not intercept, so it saw every timed lock as never taken.
class TimedLock {
public:
    void lock()
    {
        std::unique_lock guard(state);
        released.wait(guard, [this] { return !held; });
        held = true;
    }

    bool try_lock()
    {
        const std::lock_guard guard(state);
        if (held)
            return false;
        held = true;
        return true;
    }

    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& limit)
    {
        return try_lock_until(std::chrono::steady_clock::now() + limit);
    }

    template <class Clock, class Duration>
    bool try_lock_until(const std::chrono::time_point<Clock, Duration>& deadline)
    {
        std::unique_lock guard(state);
        if (!released.wait_until(guard, deadline, [this] { return !held; }))
            return false;
        held = true;
        return true;
    }

    void unlock()
    {
        {
            const std::lock_guard guard(state);
            held = false;
        }
        released.notify_one();
    }

private:
    std::mutex state;
    std::condition_variable released;
    bool held = false;
};

} // namespace veldris
