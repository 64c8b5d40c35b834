#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace quorvel {

// The lock a table takes around each of its operations. It is recursive, since operations nest (a
// post runs handlers that read and write fields of the same table), and taking it again on the
// thread that holds it, which is what nearly every field access does, costs a comparison instead of
// a call into the system's mutex.
class TableLock {
public:
    TableLock() = default;
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    void lock() {
        const std::thread::id self = std::this_thread::get_id();
        // Only the holder itself can read its own id here.
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        mutex_.lock();
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    bool try_lock() {
        const std::thread::id self = std::this_thread::get_id();
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return true;
        }
        if (!mutex_.try_lock()) return false;
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
        return true;
    }

    void unlock() {
        if (--depth_ != 0) return;
        owner_.store(std::thread::id(), std::memory_order_relaxed);
        mutex_.unlock();
    }

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned depth_ = 0; // only read and written by the holder
};

} // namespace quorvel
