// Writes the new entries of an add into the new archive: a file's local header and its data (the
// stream the deflate pool made, or the file read and compressed here as it goes, for files beyond
// the pool's bound and for level 0), encrypted with AES-256 when a password is given. It reports
// each file's start and its blocks of 32768 bytes, and notes in the file's record how it was
// stored.
#pragma once

#include "engine/AesCipher.h"
#include "engine/EngineReport.h"
#include "zipdll/ArchiveOutput.h"
#include "zipdll/DeflatePool.h"
#include "zipdll/FileList.h"
#include "zipdll/ZipRecords.h"

#include <memory>
#include <string>
#include <string_view>

class EntryWriter {
public:
    // level: 0 stores, 1 to 9 deflate; password: encrypts every file when not empty (the pool's
    // streams come encrypted already). The password is the caller's and outlives the writer.
    EntryWriter(ArchiveOutput& out, EngineReport& report, int level, std::string_view password);

    enum class Result {
        Written,
        Unreadable, // the file could not be read (errno says why): nothing of it stays written
        Failed,     // the archive could not be written (errno says why), or the caller aborted
    };
    Result Folder(ListedFile& folder, std::string_view name);
    Result Compressed(ListedFile& file, std::string_view name, const DeflatedFile& data);
    Result Streamed(ListedFile& file, std::string_view name, const std::string& hostPath);

    // The entry a record describes, as its central record gives it.
    static NewEntry EntryOf(const ListedFile& file, std::string_view name);

private:
    // Starts the entry: its local header.
    bool Begin(ListedFile& file, std::string_view name);
    // Writes size bytes of a streamed file's data, encrypted when encrypting.
    bool Data(const unsigned char* bytes, std::size_t size);
    // The sizes known only now, over the local header.
    bool PatchSizes(const ListedFile& file, std::string_view name);
    Result Failed() const;

    ArchiveOutput& out_;
    EngineReport& report_;
    int level_;
    std::string_view password_;
    AesCipher cipher_;        // the streamed file's, while it is written
    bool encrypting_ = false; // the streamed file's data goes through cipher_
    std::unique_ptr<unsigned char[]> input_, output_; // for streamed files, made when needed
    Bytes header_;
};
