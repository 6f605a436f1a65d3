#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

// Size caps of the inputs, by kind: anything larger is no file of ours and
// is not read (a link to /dev/zero or a 200 MB "description" must not take
// the machine's memory).
constexpr uint64_t MaxIniFileBytes = 4u * 1024 * 1024;

// Opens an input for reading without ever blocking (a FIFO named like one of
// our files must not hang the program): only a regular file of at most
// `maxBytes` is opened. Returns the descriptor, or -1 with errno set (EISDIR
// for a directory, ENODEV for any other special file, EFBIG for a file over
// the cap).
int OpenInputFile(const std::string& path, uint64_t maxBytes);

// True when `path` is a regular file of at most `maxBytes` that can be opened.
bool IsInputFile(const std::string& path, uint64_t maxBytes);

// Reads a whole input by the rules of OpenInputFile. False with errno set
// when it cannot be opened or read.
bool ReadInputFile(const std::string& path, uint64_t maxBytes, std::string& bytes);

// Where a save of `path` really goes: a symbolic link is followed to its
// final target (so a shared file receives the change); any other path is
// itself. A relative link target is taken from the link's directory.
std::string SaveTarget(const std::string& path);

// An advisory lock held while a shared file of the program directory is read,
// changed and written back, so that two running copies never write over each
// other's edits. It locks the directory that holds the save target, which
// covers files that do not exist yet. Waits a few seconds (or `patience`)
// for another holder, then gives up rather than hang.
class FileLock {
public:
    explicit FileLock(const std::string& path,
                      std::chrono::milliseconds patience = std::chrono::seconds(5));
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return m_fd >= 0; }
    // Why the lock could not be taken.
    const std::string& error() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

// Replaces the file at `path` without ever leaving a torn or lost file:
// follows a symbolic link to its target, refuses a target that is not a
// regular file or that the user may not write (a write-protected file stays
// protected), writes a temporary file beside the target, flushes it and
// renames it over the target. Returns false with errno set and the system's
// reason in `reason` (when given) on failure; the old file is then untouched
// and no temporary file is left.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* reason = nullptr);

// The temporary files that writers of `path` killed in the middle of a save
// left beside its save target ("NAME.tmp-XXXXXX"), removed. Only under the
// lock that every save holds, so the temporary file of a save in progress is
// never taken; when another copy of the program holds the lock, nothing is
// removed now. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

// The save of a file the user asked for (an export): under the lock of its
// directory, stale temporary files of the same target removed first, then
// replaced as WriteFileAtomically does.
bool SaveFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// Writes a new file that must not exist yet (a kept copy of a damaged file).
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// Reads a whole file; false when it cannot be opened or read. Blocks on a
// FIFO: for files the program itself wrote, not for inputs.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The Czech text of a failed save, with the system's reason; the same in the
// message box and the log.
std::string SaveFailureText(const std::string& path, const std::string& reason);

} // namespace kw
