// What our libzip data sources share: the error libzip asks for after a failed command, the
// commands every source answers alike, and handing a new source's state over to libzip.
#pragma once

#include <zip.h>

struct SourceBase {
    zip_error_t error;

    SourceBase() { zip_error_init(&error); }
    virtual ~SourceBase() { zip_error_fini(&error); }
    SourceBase(const SourceBase&) = delete;
    SourceBase& operator=(const SourceBase&) = delete;

    // Records the error for libzip and answers the failure.
    zip_int64_t Fail(int zipError, int systemError) {
        zip_error_set(&error, zipError, systemError);
        return -1;
    }
};

// The error, the end of the source and, for a source that is only read, what it supports; any
// other command is refused.
inline zip_int64_t CommonCommand(SourceBase& state, void* data, zip_uint64_t length,
                                 zip_source_cmd_t command) {
    switch (command) {
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&state.error, data, length);
    case ZIP_SOURCE_FREE:
        delete &state;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        return state.Fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

// libzip owns the state from now on; without a source there is nobody to free it but us.
inline zip_source_t* Adopted(zip_source_t* source, SourceBase* state) {
    if (!source)
        delete state;
    return source;
}
