// A libzip data source that reports progress through the engine callback.
#include "zipdll/ProgressSource.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct SourceState {
    std::string hostPath;
    std::string name;
    std::uint64_t size;
    std::time_t modified;
    EngineReport* report;
    int fd = -1;
    zip_error_t error;
};

zip_int64_t Fail(SourceState& state, int zipError, int systemError) {
    zip_error_set(&state.error, zipError, systemError);
    return -1;
}

zip_int64_t Callback(void* userData, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& state = *static_cast<SourceState*>(userData);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        state.fd = ::open(state.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (state.fd < 0)
            return Fail(state, ZIP_ER_OPEN, errno);
        if (!state.report->FileStart(state.name, static_cast<std::int64_t>(state.size)))
            return Fail(state, ZIP_ER_CANCELLED, 0);
        return 0;
    case ZIP_SOURCE_READ: {
        ssize_t n;
        do
            n = ::read(state.fd, data, length);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            return Fail(state, ZIP_ER_READ, errno);
        if (!state.report->Progress(n))
            return Fail(state, ZIP_ER_CANCELLED, 0);
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        if (state.fd >= 0)
            ::close(state.fd);
        state.fd = -1;
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = state.size;
        stat->mtime = state.modified;
        stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&state.error, data, length);
    case ZIP_SOURCE_FREE:
        if (state.fd >= 0)
            ::close(state.fd);
        zip_error_fini(&state.error);
        delete &state;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        return Fail(state, ZIP_ER_OPNOTSUPP, 0);
    }
}

} // namespace

zip_source_t* CreateProgressSource(zip_t* archive, const std::string& hostPath,
                                   const std::string& name, std::uint64_t size,
                                   std::time_t modified, EngineReport& report) {
    auto* state = new SourceState{hostPath, name, size, modified, &report, -1, {}};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function(archive, Callback, state);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
    }
    return source;
}
