#include "PendingFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace torvik::render {

namespace {

// Temporary files alive at once that an interrupt can clean up: one per rendering job and a
// report, with room to spare. Files beyond this are still removed on normal exit.
constexpr int kInterruptSlots = 512;

// The live temporary files, readable from a signal handler: a slot's name is written before its
// flag is raised, and the flag lowered before the name is reused.
struct InterruptSlot {
    std::atomic<bool> live{false}; // name holds a file to remove
    char name[PATH_MAX] = {};      // zero-terminated path
};
InterruptSlot interruptSlots[kInterruptSlots];
std::mutex slotLock; // taken to claim and release slots, never in the handler

int ClaimSlot(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    std::lock_guard guard(slotLock);
    for (int i = 0; i < kInterruptSlots; ++i) {
        InterruptSlot& s = interruptSlots[i];
        if (!s.live.load()) {
            std::memcpy(s.name, path.c_str(), path.size() + 1);
            s.live.store(true);
            return i;
        }
    }
    return -1;
}

void ReleaseSlot(int slot) {
    if (slot < 0)
        return;
    std::lock_guard guard(slotLock);
    interruptSlots[slot].live.store(false);
}

extern "C" void RemoveAndEnd(int signal) {
    for (InterruptSlot& s : interruptSlots)
        if (s.live.load())
            ::unlink(s.name);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

void RemovePendingFilesOnInterrupt() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::signal(sig, RemoveAndEnd);
}

PendingFile::PendingFile(std::filesystem::path targetPath) : target(std::move(targetPath)) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // A leading dot hides the unfinished file from casual listings.
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".part-XXXXXX";
    std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
        return;
    }
    ::close(fd);
    tempPath = name.data();
    slot = ClaimSlot(tempPath.string());
}

PendingFile::~PendingFile() {
    ReleaseSlot(slot);
    if (!committed && !tempPath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(tempPath, ignored);
    }
}

bool PendingFile::Commit(std::string& why) {
    if (tempPath.empty()) {
        why = error;
        return false;
    }
    // mkstemp creates the file for its owner only; give it what a plain create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(tempPath.c_str(), 0666 & ~mask);
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) {
        why = "cannot write " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    committed = true;
    ReleaseSlot(slot);
    slot = -1;
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         std::string& why) {
    PendingFile pending(target);
    if (!pending.Ok()) {
        why = pending.Error();
        return false;
    }
    const int fd = ::open(pending.TempPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot write " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            why = "cannot write " + target.string() + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed) {
        why = "cannot write " + target.string() + ": " + std::strerror(errno);
        return false;
    }
    return pending.Commit(why);
}

} // namespace torvik::render
