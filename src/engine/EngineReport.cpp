// The engine side of the callback.
#include "engine/EngineReport.h"

#include <algorithm>
#include <cstring>
#include <limits>

EngineReport::EngineReport(EngineCallbackProc callback, void* owner, void* caller, bool zipEngine,
                           bool verbose)
    : callback_(callback), owner_(owner), caller_(caller), zipEngine_(zipEngine),
      verbose_(verbose) {}

bool EngineReport::OnEngineThread(const std::function<bool()>& report) {
    bool goOn = false;
    WorkAside::Hand([&] { goOn = report(); });
    return goOn;
}

bool EngineReport::Send(std::int32_t action, std::int32_t error, std::int64_t size,
                        const std::string& text) {
    if (!callback_)
        return !aborted_;
    CallbackInfo info{};
    info.OwnerWindow = owner_;
    info.Caller = caller_;
    info.EngineVersion = 400;
    info.IsZipEngine = zipEngine_ ? -1 : 0;
    info.ActionCode = action;
    info.ErrorCode = error;
    info.FileSize = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(size, 0, std::numeric_limits<std::int32_t>::max()));
    const std::size_t n = std::min(text.size(), kCallbackTextSize - 1);
    std::memcpy(info.Text, text.data(), n);
    if (callback_(&info) == -1)
        aborted_ = true;
    lastSent_ = std::chrono::steady_clock::now();
    return !aborted_;
}

bool EngineReport::FileStart(const std::string& name, std::int64_t size) {
    return OnEngineThread([&] {
        pending_ = 0;
        return Send(kActionFileStart, 0, size, name);
    });
}

bool EngineReport::Progress(std::int64_t bytes) {
    return OnEngineThread([&] {
        pending_ += bytes;
        while (pending_ >= kBlockSize && !aborted_) {
            pending_ -= kBlockSize;
            Send(kActionBlockDone, 0, 0, {});
        }
        return !aborted_;
    });
}

bool EngineReport::Message(EngineMessage code, const std::string& text) {
    return OnEngineThread([&] { return Send(kActionMessage, code, 0, text); });
}

bool EngineReport::Verbose(const std::string& text) {
    return verbose_ ? Message(kMsgProcessed, text) : !aborted_;
}

bool EngineReport::FileWritten(std::uint64_t device, std::uint64_t inode) {
    return OnEngineThread([&] {
        return Send(kActionFileWritten, 0, 0, std::to_string(device) + ":" + std::to_string(inode));
    });
}

void EngineReport::BatchEnd() {
    OnEngineThread([&] { return Send(kActionBatchEnd, 0, 0, {}); });
}

bool EngineReport::KeepAlive() {
    // Work aside asks in vain: the engine's thread keeps alive while it waits for the work.
    if (WorkAside::Aside() || std::chrono::steady_clock::now() - lastSent_ < kKeepAliveQuiet)
        return !aborted_;
    return Send(kActionKeepAlive, 0, 0, {});
}
