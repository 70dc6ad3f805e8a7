// Work that runs on a thread of its own while the thread that started it stays at its post: that
// thread keeps doing its waiting duty (an engine's keep-alive report, the windows' pending events)
// every kWaitSlice, and runs whatever the work hands back to it. So an engine call, and everything
// the program sees of it, stays on the window's thread as designed (callbacks there, busy flags
// there), while the work that has no point at which to report (a flush to the disk, a read of a
// large directory, a folder walk, one large inflate) goes aside.
#pragma once

#include <cerrno>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class WorkAside {
public:
    // How long the starting thread waits at most before it does its waiting duty again.
    static constexpr std::chrono::milliseconds kWaitSlice{5};

    // Runs work on a new thread and waits for it, calling waiting() on this thread every
    // kWaitSlice and running each task the work hands back (Hand). Returns work's result with
    // errno as the work left it; an exception from work is thrown here.
    template <typename Work>
    static std::invoke_result_t<Work&> Run(Work work, const std::function<void()>& waiting) {
        using Result = std::invoke_result_t<Work&>;
        int error = 0;
        if constexpr (std::is_void_v<Result>) {
            RunThere([&] { work(), error = errno; }, waiting);
            errno = error;
        } else {
            std::optional<Result> result;
            RunThere([&] { result.emplace(work()), error = errno; }, waiting);
            errno = error;
            return std::move(*result);
        }
    }

    // On a thread that Run started: runs task on the thread that started it and returns once it
    // has run there (an exception from it is thrown here). On any other thread runs it at once.
    static void Hand(const std::function<void()>& task);

    // Whether this thread runs work that Run started.
    static bool Aside();

private:
    static void RunThere(const std::function<void()>& body, const std::function<void()>& waiting);
};
