// Writes the seed corpora of the fuzz targets, made with the builders of the
// demo archive: regular files, and files damaged the ways the readers must
// survive. Usage: kwatrix_fuzz_seeds DIR (writes DIR/<target>/seed-*).
#include "calendar/DayDivision.h"
#include "tools/DemoArchive.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace demo = kw::demo;
namespace fs = std::filesystem;

struct Seed {
    std::string target;
    std::string name;
    std::string bytes;
};

demo::DemoOptions MarchOptions(int ringSize, demo::Date lastDay)
{
    demo::DemoOptions o;
    o.devices = {0};
    o.lastDay = lastDay;
    o.months = 3;
    o.olderMonths = 0;
    o.ringSize = ringSize;
    return o;
}

void MonthSeeds(std::vector<Seed>& seeds)
{
    const demo::DemoOptions full = MarchOptions(24, {2024, 4, 2});
    const demo::MonthImage image = demo::BuildMonthImage(full, 0, 2024, 3);
    seeds.push_back({"month_file", "whole", demo::SerializeMonthFile(image)});
    seeds.push_back({"month_file", "first-days",
                     demo::SerializeMonthFile(
                         demo::BuildMonthImage(MarchOptions(24, {2024, 3, 4}), 0, 2024, 3))});

    // Written by the older controller program: the reader switches descriptions.
    demo::DemoOptions older = MarchOptions(24, {2024, 5, 10});
    older.olderMonths = 2;
    seeds.push_back({"month_file", "older-revisions",
                     demo::SerializeMonthFile(demo::BuildMonthImage(older, 0, 2024, 3))});

    demo::MonthImage damaged = image;
    damaged.count = 40; // more entries than the header has
    seeds.push_back({"month_file", "count-40", demo::SerializeMonthFile(damaged)});
    damaged = image;
    damaged.entries[4].offset = 0x7FFFFFF0; // far past the end
    damaged.entries[5].length = 9000;       // longer than the day buffer
    damaged.entries[6].recordName = "QX5-DATA-DEN-99";
    damaged.entries[7].data.resize(30); // a short record
    damaged.entries[8].present = false;
    seeds.push_back({"month_file", "damaged-entries", demo::SerializeMonthFile(damaged)});
    const std::string whole = demo::SerializeMonthFile(image);
    seeds.push_back({"month_file", "header-only", whole.substr(0, 560)});
    seeds.push_back({"month_file", "cut-in-a-record", whole.substr(0, whole.size() / 3)});
    damaged = image;
    damaged.signature = "QX4 nactene udaje";
    seeds.push_back({"month_file", "bad-signature", demo::SerializeMonthFile(damaged)});
}

void DescriptionSeeds(std::vector<Seed>& seeds)
{
    seeds.push_back(
        {"description", "device-0", demo::DescriptionText(demo::CurrentDescription(0, 100))});
    seeds.push_back(
        {"description", "device-3", demo::DescriptionText(demo::CurrentDescription(3, 580))});
    seeds.push_back({"description", "older", demo::DescriptionText(demo::OlderDescription(100))});
    demo::DemoDescription odd = demo::CurrentDescription(0, 100);
    odd.revisionKey = "REV_QX5";
    odd.revisionValue = -odd.revisionValue;
    odd.exportSection = true;
    for (demo::DemoBlock& b : odd.blocks) {
        b.recordsByRef = true;
        b.days = 3;
        b.start = 4000; // records reach past the day buffer
        b.value = "L9999N";
        b.format = "%W0N %L1B %H1B %K30 %X";
    }
    seeds.push_back({"description", "odd", demo::DescriptionText(odd)});
}

void IniSeeds(std::vector<Seed>& seeds)
{
    seeds.push_back({"ini", "calendar", demo::CalendarText(2023, 2024)});
    seeds.push_back(
        {"ini", "description", demo::DescriptionText(demo::CurrentDescription(3, 100))});
    seeds.push_back(
        {"ini", "rules",
         "; comment\r\n[ Sekce ]\r\n  Klic  =  \"hodnota\"  \r\nKLIC=druha\r\n"
         "holy klic\r\nREF=[RING]\r\nCISLO=$1F\r\nFLOAT=-1.5e3\r\n[RING]\r\nVALUE=12\r\n"
         "[prazdna]\r\n[FUZZ]\r\nKEY=x\r\n"});
    seeds.push_back({"ini", "line-ends", "[A]\nB=1\rC=2\r\n[D]\rE=\"unclosed\n"});
    seeds.push_back({"ini", "windows-1250",
                     "[\x8A"
                     "ek]\r\nK\xEC=\x9A\xE8\xF8\r\n"});
    seeds.push_back({"ini", "utf-8",
                     "\xEF\xBB\xBF[\xC5\xA0"
                     "ek]\r\nK\xC4\x9B=\xC5\xA1\xC4\x8D\r\n"});
    seeds.push_back(
        {"ini", "long",
         "[L]\r\nK=" + std::string(1500, 'x') + "\r\n" + std::string(300, 'k') + "=1\r\n"});
}

void CalendarSeeds(std::vector<Seed>& seeds)
{
    seeds.push_back({"calendar", "demo", demo::CalendarText(2023, 2025)});
    seeds.push_back({"calendar", "template-only", "[1980]\r\n1.1=N\r\n25.12=N\r\n26.12=N\r\n"});
    seeds.push_back({"calendar", "odd-keys",
                     "[2024]\r\n31.2=E\r\n0.3=N\r\n05.3=S\r\n5.3=P\r\n32.3=E\r\n 7.3 = pe \r\n"
                     "9.3\r\n10.3=E\r\n11.3=E\r\n[2100]\r\n29.2=N\r\n"});
}

void DayDivisionSeeds(std::vector<Seed>& seeds)
{
    const std::string good = demo::DayDivisionRecord();
    seeds.push_back({"day_division", "demo", good});
    std::string bad = good;
    bad[2] = static_cast<char>(bad[2] ^ 1);
    seeds.push_back({"day_division", "bad-checksum", bad});
    seeds.push_back({"day_division", "short", good.substr(0, 6000)});
    seeds.push_back({"day_division", "long", good + "x"});
    kw::DayDivision::Bytes record{};
    std::copy(good.begin(), good.end(), record.begin());
    record[4] = 255; // a name length at the capacity, over the group table
    kw::DayDivision::UpdateChecksum(record);
    seeds.push_back({"day_division", "long-name", std::string(record.begin(), record.end())});
}

void ContractSeeds(std::vector<Seed>& seeds)
{
    seeds.push_back({"contract", "whole",
                     "; smlouva\r\n[Zarizeni 0]\r\nCinnyBlok = 1\r\nJalovyBlok = 2\r\n"
                     "KapacitniBlok = 0\r\nTolerance = 1\r\n\r\n"
                     "[Zarizeni 0 Smlouva 2026-01-01]\r\nRocniRK = 250\r\n"
                     "RezervovanyPrikon = 400\r\n\r\n[Zarizeni 0 MesicniRK]\r\n2026-07 = 30\r\n"
                     "\r\n[Zarizeni 0 Cenik 2026-01-01]\r\nCenaRocniRK = 155.5\r\n"
                     "CenaMesicniRK = 215,3\r\nCenaSite = 95\r\nTarif VT = 1200\r\n"
                     "Tarif N=T = 800\r\nPrirazka 0.33 = 1.12\r\nPrirazka 0.347 = 2.26\r\n"
                     "\r\n[Zarizeni 0 Faktura 2026-03]\r\nrk = 38875\r\ncelkem = 47718.36\r\n"});
    seeds.push_back({"contract", "invoice-csv",
                     "month;rk;sit;tarif:VT;celkem\r\n2026-01;38 875,00;8843,36;;47718,36\r\n"});
    seeds.push_back({"contract", "bad-date", "[Zarizeni 0 Smlouva 2026-02-30]\nRocniRK=1\n"});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::vector<Seed> seeds;
    MonthSeeds(seeds);
    DescriptionSeeds(seeds);
    IniSeeds(seeds);
    CalendarSeeds(seeds);
    DayDivisionSeeds(seeds);
    ContractSeeds(seeds);
    for (const Seed& s : seeds) {
        const fs::path dir = fs::path(argv[1]) / s.target;
        fs::create_directories(dir);
        std::ofstream out(dir / ("seed-" + s.name), std::ios::binary | std::ios::trunc);
        out << s.bytes;
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (dir / ("seed-" + s.name)).c_str());
            return 1;
        }
    }
    std::printf("%zu seeds written\n", seeds.size());
    return 0;
}
