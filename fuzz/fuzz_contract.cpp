// KWATRIX-SMLOUVA.INI and the invoice CSV of arbitrary contents: whatever
// reads as a contract writes back as text that reads as the same contract,
// and the file is loaded from disk by the rules of every input.
#include "FuzzSupport.h"

#include "analysis/Bill.h"
#include "analysis/Contract.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    kw::Contracts parsed;
    std::string error;
    const bool readable = kw::ParseContracts(text, parsed, error);
    if (readable) {
        const std::string written = kw::ContractText(parsed);
        kw::Contracts again;
        kwfuzz::Check(kw::ParseContracts(written, again, error), "written contract reads back");
        kwfuzz::Check(kw::ContractText(again) == written, "contract round trip");
        // Every month of a year finds its terms and prices without a fault.
        for (const kw::DeviceContract& d : parsed.devices)
            for (int32_t m = 1; m <= 12; ++m)
                kw::ContractProblem(&d, d.device, 2026, m);
    } else {
        kwfuzz::Check(!error.empty(), "a refused contract says why");
    }

    kwfuzz::ClearScratch();
    kwfuzz::WriteFile(kwfuzz::ScratchDir() + kw::ContractFile::FileName, data, size);
    kw::ContractFile file;
    const int32_t loaded = file.Load(kwfuzz::ScratchDir());
    kwfuzz::Check((loaded == 0) == readable, "the file loads as its text parses");
    kwfuzz::Check(loaded == 0 || !file.LastErrorText.empty(), "a failed load says why");

    std::vector<kw::Invoice> invoices;
    std::string why;
    if (!kw::ParseInvoiceCsv(text, invoices, why)) {
        kwfuzz::Check(!why.empty(), "a refused CSV says why");
    } else {
        // What an import takes, the contract file can hold.
        kw::Contracts withInvoices;
        withInvoices.forDevice(0).invoices = invoices;
        kw::Contracts again;
        kwfuzz::Check(kw::ParseContracts(kw::ContractText(withInvoices), again, why),
                      "imported invoices are saved as a readable file");
    }
    return 0;
}
