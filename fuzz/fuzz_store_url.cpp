// A store's URL and the file of remembered stores of arbitrary contents: the
// password is found without a fault, hidden in place (nothing else of the
// URL changes), and what is remembered of a folder reads back without it.
#include "FuzzSupport.h"

#include "store/StoreDb.h"
#include "store/Sync.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The first line is the URL, the rest the file of remembered stores.
    const std::size_t newline = input.find('\n');
    const std::string url = input.substr(0, newline);
    const std::string file =
        newline == std::string::npos ? std::string() : input.substr(newline + 1);

    const std::string masked = kw::MaskedStoreUrl(url);
    kwfuzz::Check(masked.size() == url.size(), "the masked URL keeps its length");
    for (std::size_t i = 0; i < url.size(); ++i)
        kwfuzz::Check(masked[i] == url[i] || masked[i] == '*', "only the password is masked");
    const std::string redacted = kw::RedactedStoreUrl(url);
    kwfuzz::Check(kw::RedactedStoreUrl(redacted) == redacted, "a redacted URL stays as it is");
    const std::string without = kw::UrlWithoutPassword(url);
    kwfuzz::Check(without.size() <= url.size(), "no password makes no longer URL");
    // (A keyword string whose password went from its start may begin like a
    // URI then, and be read as one.)
    const auto uri = [](const std::string& u) { return u.rfind("postgres", 0) == 0; };
    if (uri(without) == uri(url))
        kwfuzz::Check(kw::MaskedStoreUrl(without) == without, "a URL without password has none");

    kwfuzz::ClearScratch();
    ::setenv("XDG_CONFIG_HOME", kwfuzz::ScratchDir().c_str(), 1);
    std::filesystem::create_directories(kwfuzz::ScratchDir() + "kwatrix");
    kwfuzz::WriteFile(kwfuzz::ScratchDir() + "kwatrix/kwatrix-stores.ini", file);
    kw::RememberedStoreUrl("/srv/archiv/");
    std::string reason;
    if (kw::RememberStoreUrl("/srv/archiv/", url, &reason)) {
        kwfuzz::Check(kw::RememberedStoreUrl("/srv/archiv/") == without,
                      "the remembered URL reads back without its password");
    } else {
        kwfuzz::Check(!reason.empty(), "a failed save says why");
    }
    return 0;
}
