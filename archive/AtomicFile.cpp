#include "archive/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kw {

namespace {

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool Fail(std::string* reason, int err)
{
    if (reason)
        *reason = SystemErrorText(err);
    errno = err;
    return false;
}

// errno for a path that is there but is no regular file.
int NotRegular(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
}

bool WriteAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

constexpr auto LockPoll = std::chrono::milliseconds(10);
// Links are followed this deep; a loop ends here.
constexpr int MaxLinkHops = 40;

// The temporary file of a save: a hidden name that says whose it is, so that
// the clean-up never takes a file a person named (a "KALEND.INI.tmp-backup"):
// ".", the target's name, this infix and the six characters mkstemp puts in
// place of the X's.
constexpr const char* TempInfix = ".kwatrix-tmp-";
constexpr std::size_t TempRandomChars = 6;

std::string TempPathOf(const std::string& target)
{
    const auto slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + "." + target.substr(nameStart) + TempInfix + "XXXXXX";
}

bool IsTempNameOf(const std::string& name, const std::string& targetName)
{
    const std::string stem = "." + targetName + TempInfix;
    if (name.size() != stem.size() + TempRandomChars || name.compare(0, stem.size(), stem) != 0)
        return false;
    for (std::size_t i = stem.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Removes the temporary files of `target` (a save target, so no link); the
// caller holds the lock of its directory.
int RemoveTemporariesOf(const std::string& target)
{
    std::string dir = DirectoryOf(target);
    if (dir.back() != '/')
        dir += '/';
    const std::string targetName = target.substr(target.rfind('/') + 1);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(d))
        if (IsTempNameOf(entry->d_name, targetName))
            stale.emplace_back(entry->d_name);
    ::closedir(d);
    int removed = 0;
    for (const std::string& name : stale) {
        // Only a plain file this user made is ever a temporary of ours; a
        // link, a directory or another user's file of that name is not.
        struct stat st {};
        if (::lstat((dir + name).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && ::unlink((dir + name).c_str()) == 0)
            ++removed;
    }
    return removed;
}

// How long a start waits for another copy's save before leaving the clean-up
// for another time.
constexpr auto CleanupPatience = std::chrono::milliseconds(200);

} // namespace

std::string SystemErrorText(int err)
{
    // The common reasons in the program's language; the rest as the system
    // words them.
    switch (err) {
    case ENOENT:
        return "soubor nebo složka neexistuje";
    case EACCES:
    case EPERM:
        return "přístup odepřen";
    case EROFS:
        return "systém souborů je jen pro čtení";
    case ENOSPC:
        return "na disku není místo";
    case EDQUOT:
        return "překročena disková kvóta";
    case EIO:
        return "chyba vstupu/výstupu";
    case EBADF:
        return "výstup je zavřený";
    case ENODEV:
    case ENXIO:
        return "není to obyčejný soubor (zařízení nebo roura)";
    case EISDIR:
        return "je to složka, ne soubor";
    case ENOTDIR:
        return "část cesty není složka";
    case EFBIG:
        return "soubor je příliš velký";
    case ELOOP:
        return "příliš mnoho symbolických odkazů";
    case ENAMETOOLONG:
        return "jméno souboru je příliš dlouhé";
    case EMFILE:
    case ENFILE:
        return "příliš mnoho otevřených souborů";
    case EBUSY:
    case ETXTBSY:
        return "soubor je právě používán";
    case EXDEV:
        return "přesun mezi různými disky není možný";
    case EAGAIN:
        return LockedText;
    default:
        return std::strerror(err);
    }
}

int OpenInputFile(const std::string& path, uint64_t maxBytes)
{
    // Looked at before opening: opening a device may itself do something.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = NotRegular(st);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // The file may have been swapped between the look and the open.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > maxBytes) {
        const int err = !S_ISREG(st.st_mode) ? NotRegular(st) : EFBIG;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

bool IsInputFile(const std::string& path, uint64_t maxBytes)
{
    const int fd = OpenInputFile(path, maxBytes);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool ReadInputFile(const std::string& path, uint64_t maxBytes, std::string& bytes)
{
    bytes.clear();
    const int fd = OpenInputFile(path, maxBytes);
    if (fd < 0)
        return false;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            bytes.clear();
            errno = err;
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
        // A file that grows while it is read is held to the cap too.
        if (bytes.size() > maxBytes) {
            ::close(fd);
            bytes.clear();
            errno = EFBIG;
            return false;
        }
    }
    ::close(fd);
    return true;
}

std::string SaveTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<std::size_t>(n));
        current = !target.empty() && target[0] == '/' ? target : DirectoryOf(current) + target;
    }
    return current;
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience)
{
    acquire(path, patience, nullptr);
}

FileLock::FileLock(const std::string& path, LockPatience& patience)
{
    acquire(path, patience.m_gaveUp ? std::chrono::milliseconds(0) : patience.patience,
            patience.waiting ? &patience.waiting : nullptr);
    patience.m_gaveUp = !locked() && m_busy;
}

void FileLock::acquire(const std::string& path, std::chrono::milliseconds patience,
                       const std::function<void(bool)>* waiting)
{
    const std::string dir = DirectoryOf(SaveTarget(path));
    m_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = SystemErrorText(errno);
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    bool told = false;
    int err = 0;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        err = errno;
        if ((err != EWOULDBLOCK && err != EINTR) || std::chrono::steady_clock::now() >= giveUp)
            break;
        if (waiting && !told) {
            told = true;
            (*waiting)(true);
        }
        std::this_thread::sleep_for(LockPoll);
        err = 0;
    }
    if (told)
        (*waiting)(false);
    if (err == 0)
        return;
    m_busy = err == EWOULDBLOCK;
    m_error = m_busy ? std::string(LockedText) : SystemErrorText(err);
    ::close(m_fd);
    m_fd = -1;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason)
{
    const std::string target = SaveTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return Fail(reason, errno);
    if (exists) {
        if (!S_ISREG(old.st_mode))
            return Fail(reason, NotRegular(old));
        // A file without any write permission is protected on purpose, also
        // from root, who may write anything.
        if (::access(target.c_str(), W_OK) != 0)
            return Fail(reason, errno == EROFS ? EROFS : EACCES);
        if ((old.st_mode & 0222) == 0)
            return Fail(reason, EACCES);
    }

    std::string temp = TempPathOf(target);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(reason, errno);
    const auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Fail(reason, err);
    };
    // The new file keeps the permissions and, where allowed, the owner of the
    // one it replaces; a new file gets the usual permissions rather than
    // mkstemp's private 0600.
    if (::fchmod(fd, exists ? (old.st_mode & 07777) : 0644) != 0)
        return abandon(errno);
    if (exists && ::geteuid() == 0)
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        return abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Fail(reason, err);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Fail(reason, err);
    }
    // Make the rename itself durable.
    const int dfd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

int RemoveStaleTemporaries(const std::string& path)
{
    const std::string target = SaveTarget(path);
    const FileLock lock(target, CleanupPatience);
    return lock.locked() ? RemoveTemporariesOf(target) : 0;
}

bool SaveFile(const std::string& path, std::string_view bytes, std::string* reason)
{
    const FileLock lock(path);
    if (!lock.locked()) {
        if (reason)
            *reason = lock.error();
        errno = EAGAIN;
        return false;
    }
    RemoveTemporariesOf(SaveTarget(path));
    return WriteFileAtomically(path, bytes, reason);
}

bool UpdateFile(const std::string& path, uint64_t maxBytes,
                const std::function<bool(const std::string& old, std::string& updated)>& change,
                std::string* reason)
{
    const FileLock lock(path);
    if (!lock.locked()) {
        if (reason)
            *reason = lock.error();
        errno = EAGAIN;
        return false;
    }
    const std::string target = SaveTarget(path);
    RemoveTemporariesOf(target);
    std::string old;
    if (!ReadInputFile(target, maxBytes, old) && errno != ENOENT)
        return Fail(reason, errno);
    std::string updated;
    if (!change(old, updated)) {
        if (reason)
            *reason = "nový obsah souboru nelze sestavit";
        errno = EINVAL;
        return false;
    }
    return updated == old || WriteFileAtomically(target, updated, reason);
}

bool WriteNewFile(const std::string& path, std::string_view bytes, std::string* reason)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return Fail(reason, errno);
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(path.c_str());
        return Fail(reason, err);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(path.c_str());
        return Fail(reason, err);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

DiskStamp StampOfFile(const std::string& path)
{
    DiskStamp stamp;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.regular = S_ISREG(st.st_mode);
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return stamp;
}

bool KeepDamagedFile(const std::string& path, const std::string& stem, const std::string& suffix,
                     std::string& kept, std::string& reason)
{
    // A copy of a damaged file larger than this is no copy of ours to make.
    constexpr uint64_t MaxKeptCopyBytes = 64u * 1024 * 1024;
    const std::string target = SaveTarget(path);
    const auto slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    kept.clear();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            dir + stem + "-poskozeny-" + stamp +
            (attempt > 0 ? "-" + std::to_string(attempt + 1) : std::string()) + "." + suffix;
        if (::link(target.c_str(), candidate.c_str()) == 0) {
            kept = candidate;
            return true;
        }
        if (errno == EEXIST)
            continue;
        // No hard links on this file system: a copy does it.
        std::string bytes, why;
        if (!ReadInputFile(target, MaxKeptCopyBytes, bytes)) {
            const int err = errno;
            reason = std::string("poškozený soubor nelze uschovat (") + SystemErrorText(err) +
                     "), proto nebyl přepsán";
            errno = err;
            return false;
        }
        if (WriteNewFile(candidate, bytes, &why)) {
            kept = candidate;
            return true;
        }
        if (errno != EEXIST) {
            const int err = errno;
            reason = "poškozený soubor nelze uschovat (" + why + "), proto nebyl přepsán";
            errno = err;
            return false;
        }
    }
    errno = EEXIST;
    reason = "poškozený soubor nelze uschovat";
    return false;
}

std::string SaveFailureText(const std::string& path, const std::string& reason)
{
    return "Soubor " + path + " se nepodařilo uložit: " + reason + ".";
}

std::string ReadFailureText(const std::string& path, const std::string& reason)
{
    return "Soubor " + path + " nelze přečíst: " + reason + ".";
}

} // namespace kw
