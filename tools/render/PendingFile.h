#pragma once
// A file that appears under its final name only when it is complete. Writers fill a temporary
// file in the target's folder (so the final rename stays on one file system and is atomic);
// Commit renames it into place, and destruction without Commit removes it. A reader of the
// folder therefore never finds a half-written result under the name it asked for.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace torvik::render {

class PendingFile {
public:
    // Creates an empty, uniquely named temporary file beside `target`. Check Ok() afterwards.
    explicit PendingFile(std::filesystem::path target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // True when the temporary file exists and can be written.
    bool Ok() const { return !tempPath.empty(); }
    // Why the temporary file could not be created (empty when Ok()).
    const std::string& Error() const { return error; }
    // Where writers put the bytes.
    const std::filesystem::path& TempPath() const { return tempPath; }
    const std::filesystem::path& Target() const { return target; }

    // Moves the temporary file onto the target name. On failure answers false with a reason
    // in `why` and the temporary file is removed on destruction.
    bool Commit(std::string& why);

private:
    std::filesystem::path target;   // final name
    std::filesystem::path tempPath; // temporary file beside it; empty when creation failed
    std::string error;              // reason creation failed
    bool committed = false;         // true once renamed into place
    int slot = -1;                  // entry in the table an interrupt cleans up, -1 none
};

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP) remove every unfinished temporary file before
// the program ends as the signal would have ended it.
void RemovePendingFilesOnInterrupt();

// Writes `bytes` to `target` through a PendingFile, flushed to disk before the rename.
bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         std::string& why);

} // namespace torvik::render
