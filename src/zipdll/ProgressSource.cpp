// A libzip data source that reports progress through the engine callback.
#include "zipdll/ProgressSource.h"

#include "zipdll/SourceBase.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct SourceState : SourceBase {
    std::string hostPath;
    std::string name;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    EngineReport* report = nullptr;
    int fd = -1;

    ~SourceState() override {
        if (fd >= 0)
            ::close(fd);
    }
};

zip_int64_t Callback(void* userData, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& state = *static_cast<SourceState*>(userData);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        state.fd = ::open(state.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (state.fd < 0)
            return state.Fail(ZIP_ER_OPEN, errno);
        if (!state.report->FileStart(state.name, static_cast<std::int64_t>(state.size)))
            return state.Fail(ZIP_ER_CANCELLED, 0);
        return 0;
    case ZIP_SOURCE_READ: {
        ssize_t n;
        do
            n = ::read(state.fd, data, length);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            return state.Fail(ZIP_ER_READ, errno);
        if (!state.report->Progress(n))
            return state.Fail(ZIP_ER_CANCELLED, 0);
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
    default:
        return CommonCommand(state, data, length, command);
    }
}

} // namespace

zip_source_t* CreateProgressSource(zip_t* archive, const std::string& hostPath,
                                   const std::string& name, std::uint64_t size,
                                   std::time_t modified, EngineReport& report) {
    auto* state = new SourceState;
    state->hostPath = hostPath;
    state->name = name;
    state->size = size;
    state->modified = modified;
    state->report = &report;
    return Adopted(zip_source_function(archive, Callback, state), state);
}
