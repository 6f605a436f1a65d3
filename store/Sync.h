#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kw {

class StoreDb;

// The sync of an archive folder into a store: every month file of every
// device, read through the series of its calendar month, one transaction a
// month file, so that a sync killed at any point and run again ends as a
// clean one.

struct SyncProgress {
    int32_t done = 0;  // month files dealt with so far
    int32_t total = 0; // month files of the folder
    std::string file;  // the one being read now
};

struct SyncResult {
    int32_t files = 0;     // month files of the folder
    int32_t read = 0;      // read into the store
    int32_t unchanged = 0; // known by size, time and checksum: not read
    int32_t missing = 0;   // in the store, no longer in the folder: kept, marked
    int64_t rows = 0;      // readings written
    bool cancelled = false;
    // Month files that could not be read ("EA_24_03.DAT: ..."); the store
    // keeps what it had of them.
    std::vector<std::string> failures;
};

// The site's name when none is given: the folder's last name.
std::string DefaultSiteName(const std::string& programPath);

// Syncs the archive of `programPath` (ending in '/') as site `site`.
// `progress` is called before each month file; false from it cancels the
// sync there (what was synced stays). Throws StoreError when the store
// fails; the month file being written then leaves nothing behind.
SyncResult SyncArchive(StoreDb& db, const std::string& programPath, const std::string& site,
                       const std::function<bool(const SyncProgress&)>& progress = {});

// One line of the result for the terminal and the log, in Czech.
std::string SyncSummary(const SyncResult& result, const std::string& storeName);

// The store remembered for an archive folder, empty when none; kept in the
// user's configuration ($XDG_CONFIG_HOME/kwatrix/kwatrix-stores.ini, else
// ~/.config/...), without passwords.
std::string RememberedStoreUrl(const std::string& programPath);
// False with the reason when it could not be saved.
bool RememberStoreUrl(const std::string& programPath, const std::string& url, std::string* reason);
// Where the remembered stores are kept.
std::string StoreUrlsFile();

} // namespace kw
