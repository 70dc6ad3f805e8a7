// A libzip data source for a file the deflate pool has compressed.
#include "zipdll/DeflatedSource.h"

#include "zipdll/SourceBase.h"

#include <algorithm>
#include <cstring>

namespace {

struct SourceState : SourceBase {
    DeflatePool* pool = nullptr;
    std::size_t job = 0;
    std::string name;
    std::time_t modified = 0;
    EngineReport* report = nullptr;
    const DeflatedFile* file = nullptr; // once the pool has it, until libzip closes the source
    bool ok = false;
    int systemError = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    bool waited = false;
    std::uint64_t sent = 0;     // bytes of the stream handed to libzip
    std::uint64_t reported = 0; // bytes of the file reported as done
};

// Waits for the pool once; the stream's facts stay known after its bytes have gone back. False
// when the caller aborted during the wait.
bool AwaitCompressed(SourceState& state) {
    if (state.waited)
        return true;
    state.file = state.pool->Wait(state.job, [&state] { return state.report->KeepAlive(); });
    if (!state.file)
        return false;
    state.waited = true;
    state.ok = state.file->ok;
    state.systemError = state.file->systemError;
    state.crc32 = state.file->crc32;
    state.size = state.file->size;
    state.compressedSize = state.file->streamSize;
    return true;
}

zip_int64_t Read(SourceState& state, void* data, zip_uint64_t length) {
    if (!state.file)
        return state.Fail(ZIP_ER_INTERNAL, 0);
    const DeflatedFile& file = *state.file;
    const std::uint64_t n = std::min<std::uint64_t>(length, file.streamSize - state.sent);
    std::memcpy(data, file.stream.get() + state.sent, static_cast<std::size_t>(n));
    state.sent += n;
    // The file's bytes in proportion to the stream's, so the blocks reported add up to the file.
    const std::uint64_t done =
        state.sent == file.streamSize
            ? file.size
            : static_cast<std::uint64_t>(static_cast<unsigned __int128>(file.size) * state.sent /
                                         file.streamSize);
    const auto progress = static_cast<std::int64_t>(done - state.reported);
    state.reported = done;
    if (!state.report->Progress(progress))
        return state.Fail(ZIP_ER_CANCELLED, 0);
    return static_cast<zip_int64_t>(n);
}

zip_int64_t Callback(void* userData, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& state = *static_cast<SourceState*>(userData);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        if (!AwaitCompressed(state))
            return state.Fail(ZIP_ER_CANCELLED, 0);
        if (!state.ok)
            return state.Fail(ZIP_ER_READ, state.systemError);
        if (!state.file) // its bytes are gone: libzip reads a source once
            return state.Fail(ZIP_ER_INTERNAL, 0);
        state.sent = state.reported = 0;
        if (!state.report->FileStart(state.name, static_cast<std::int64_t>(state.size)))
            return state.Fail(ZIP_ER_CANCELLED, 0);
        return 0;
    case ZIP_SOURCE_READ:
        return Read(state, data, length);
    case ZIP_SOURCE_CLOSE:
        // Written: the memory goes back to the pool for the files still to come.
        if (state.file)
            state.pool->Release(state.job);
        state.file = nullptr;
        return 0;
    case ZIP_SOURCE_STAT: {
        if (!AwaitCompressed(state))
            return state.Fail(ZIP_ER_CANCELLED, 0);
        if (!state.ok)
            return state.Fail(ZIP_ER_READ, state.systemError);
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = state.size;
        stat->comp_size = state.compressedSize;
        stat->crc = state.crc32;
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->encryption_method = ZIP_EM_NONE;
        stat->mtime = state.modified;
        stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                      ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    default:
        return CommonCommand(state, data, length, command);
    }
}

} // namespace

zip_source_t* CreateDeflatedSource(zip_t* archive, DeflatePool& pool, std::size_t job,
                                   const std::string& name, std::time_t modified,
                                   EngineReport& report) {
    auto* state = new SourceState;
    state->pool = &pool;
    state->job = job;
    state->name = name;
    state->modified = modified;
    state->report = &report;
    return Adopted(zip_source_function(archive, Callback, state), state);
}
