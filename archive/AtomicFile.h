#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
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

// Why a save found its lock taken: by another running copy, or by another
// program that locks the folder.
inline constexpr const char* LockedText =
    "soubor je zamčen (právě jej ukládá jiná spuštěná kopie programu nebo jiný program)";

// The Czech reason of a failed system call, as the messages and the log give it.
std::string SystemErrorText(int err);

// The wait for the lock of the saves of one run: after a wait that ran out,
// the next saves try once without waiting until a lock is taken again, so a
// run of many saves against a held lock waits once, not once per save.
class LockPatience {
public:
    std::chrono::milliseconds patience{std::chrono::seconds(5)};
    // Told when a wait starts (true) and ends (false), so that a window can
    // show that the program waits.
    std::function<void(bool)> waiting;

private:
    friend class FileLock;
    bool m_gaveUp = false;
};

// An advisory lock held while a shared file of the program directory is read,
// changed and written back, so that two running copies never write over each
// other's edits. It locks the directory that holds the save target, which
// covers files that do not exist yet. Waits a few seconds (or `patience`)
// for another holder, then gives up rather than hang.
class FileLock {
public:
    explicit FileLock(const std::string& path,
                      std::chrono::milliseconds patience = std::chrono::seconds(5));
    FileLock(const std::string& path, LockPatience& patience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return m_fd >= 0; }
    // Why the lock could not be taken.
    const std::string& error() const { return m_error; }

private:
    void acquire(const std::string& path, std::chrono::milliseconds patience,
                 const std::function<void(bool)>* waiting);
    int m_fd = -1;
    bool m_busy = false; // another holder has it, as opposed to a failed open
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
// left beside its save target (".NAME.kwatrix-tmp-XXXXXX", owned by this
// user), removed. Only under the
// lock that every save holds, so the temporary file of a save in progress is
// never taken; when another copy of the program holds the lock, nothing is
// removed now. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

// The save of a file the user asked for (an export): under the lock of its
// directory, stale temporary files of the same target removed first, then
// replaced as WriteFileAtomically does.
bool SaveFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// One read-modify-write of a file of the user's own (the per-user settings):
// under the lock of its folder, with the leftovers of killed saves removed,
// the file is read by the rules of OpenInputFile (a missing file is empty;
// one that is there but cannot be read is never written over), `change`
// makes its new content from the old, and it is replaced as
// WriteFileAtomically does when the content changed. False with the reason
// when the file could not be read or written, or `change` refused.
bool UpdateFile(const std::string& path, uint64_t maxBytes,
                const std::function<bool(const std::string& old, std::string& updated)>& change,
                std::string* reason = nullptr);

// Writes a new file that must not exist yet (a kept copy of a damaged file).
bool WriteNewFile(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// A file as a load or save left it, to notice another writer since: its
// identity, size and time of change.
struct DiskStamp {
    bool exists = false;
    bool regular = false;
    uint64_t dev = 0, ino = 0, size = 0;
    int64_t mtimeNs = 0;
    bool operator!=(const DiskStamp& o) const
    {
        return exists != o.exists || dev != o.dev || ino != o.ino || size != o.size ||
               mtimeNs != o.mtimeNs;
    }
};
DiskStamp StampOfFile(const std::string& path);

// Keeps a file that failed to load beside its save target before a save
// replaces it: "STEM-poskozeny-YYYYMMDD-HHMMSS.SUFFIX" (ASCII, so that it
// survives any file system the archive may sit on), a hard link or else a
// copy, never over another file. Under the caller's lock. False with the
// Czech reason when it cannot be kept; the file must not be replaced then.
bool KeepDamagedFile(const std::string& path, const std::string& stem, const std::string& suffix,
                     std::string& kept, std::string& reason);

// Reads a whole file; false when it cannot be opened or read. Blocks on a
// FIFO: for files the program itself wrote, not for inputs.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The Czech text of a failed save, with the system's reason; the same in the
// message box and the log.
std::string SaveFailureText(const std::string& path, const std::string& reason);
// The Czech text of an input that is there but cannot be read.
std::string ReadFailureText(const std::string& path, const std::string& reason);

} // namespace kw
