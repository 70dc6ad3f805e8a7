// Work on a thread of its own while the starting thread stays at its post.
#include "engine/WorkAside.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// What the starting thread and the work's thread share: the task handed back, if any, and
// whether the work has ended.
struct Channel {
    std::mutex mutex;
    std::condition_variable changed;
    const std::function<void()>* task = nullptr;
    std::exception_ptr taskError;
    bool taskDone = false;
    bool workDone = false;
};

// The channel of the work this thread runs, on a thread that Run started.
thread_local Channel* current = nullptr;

} // namespace

bool WorkAside::Aside() {
    return current != nullptr;
}

void WorkAside::Hand(const std::function<void()>& task) {
    Channel* channel = current;
    if (!channel) {
        task();
        return;
    }
    std::unique_lock lock(channel->mutex);
    channel->task = &task;
    channel->taskDone = false;
    channel->changed.notify_all();
    channel->changed.wait(lock, [&] { return channel->taskDone; });
    channel->task = nullptr;
    if (std::exception_ptr error = std::exchange(channel->taskError, nullptr))
        std::rethrow_exception(error);
}

void WorkAside::RunThere(const std::function<void()>& body, const std::function<void()>& waiting) {
    if (current) {
        body(); // already aside: what it hands back goes to the thread waiting for this one
        return;
    }
    Channel channel;
    std::exception_ptr workError;
    std::thread thread;
    try {
        thread = std::thread([&] {
            current = &channel;
            try {
                body();
            } catch (...) {
                workError = std::current_exception();
            }
            std::lock_guard lock(channel.mutex);
            channel.workDone = true;
            channel.changed.notify_all();
        });
    } catch (const std::system_error&) {
        body(); // no thread to be had: the work is done here, the windows waiting for it
        return;
    }
    auto lastWaited = std::chrono::steady_clock::now();
    std::exception_ptr waitingError; // thrown once the work has ended: the thread must be joined
    std::unique_lock lock(channel.mutex);
    while (!channel.workDone) {
        channel.changed.wait_for(lock, kWaitSlice, [&] {
            return channel.workDone || (channel.task && !channel.taskDone);
        });
        if (channel.task && !channel.taskDone) {
            const std::function<void()>& task = *channel.task;
            lock.unlock();
            std::exception_ptr taskError;
            try {
                task();
            } catch (...) {
                taskError = std::current_exception();
            }
            lock.lock();
            channel.taskError = taskError;
            channel.taskDone = true;
            channel.changed.notify_all();
        }
        // The waiting duty comes round every slice, also between tasks that follow each other.
        const auto now = std::chrono::steady_clock::now();
        if (!channel.workDone && !waitingError && now - lastWaited >= kWaitSlice) {
            lock.unlock();
            try {
                waiting();
            } catch (...) {
                waitingError = std::current_exception();
            }
            lock.lock();
            lastWaited = std::chrono::steady_clock::now();
        }
    }
    lock.unlock();
    thread.join();
    if (workError || waitingError)
        std::rethrow_exception(workError ? workError : waitingError);
}
