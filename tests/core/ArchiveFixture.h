// A program directory with one hand-made description and month file, and
// the engine listing it: for tests that need exact records, such as two
// values stamped in the same quarter-hour.
#pragma once

#include "listing/Engine.h"
#include "output/Output.h"
#include "tools/DemoArchive.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace kwtest {

namespace demo = kw::demo;

// Device 0 from December 2023 to 20 March 2024: December and January were
// written by the older controller program, whose description lists the
// blocks in another order, so listings across these months switch
// descriptions.
inline void DemoArchiveInto(const std::string& dir)
{
    demo::DemoOptions options;
    options.devices = {0};
    options.lastDay = {2024, 3, 20};
    options.months = 4;
    std::string error;
    ASSERT_TRUE(demo::WriteDemoArchive(dir, options, &error)) << error;
}

// Replaces the value of `key` in section `section` of a description file.
inline void SetKey(const std::string& file, const std::string& section, const std::string& line)
{
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = text.find(line.substr(0, line.find('=') + 1), text.find("[" + section + "]"));
    text.replace(at, text.find('\r', at) - at, line);
    std::ofstream(file, std::ios::binary) << text;
}

// A UI that answers "no" and remembers its messages.
struct QuietUi : kw::ListingUi {
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string& text, bool) override
    {
        messages.push_back(text);
    }
    void showListingParameters() override { parametersShown = true; }
    std::vector<std::string> messages;
    bool parametersShown = false;
};

struct Lines : kw::OutputTarget {
    void appendLine(const std::string& line, int32_t) override { lines.push_back(line); }
    void clearView() override { lines.clear(); }
    bool clearBeforeListing() const override { return false; }
    std::vector<std::string> lines;
};

// A program directory with one hand-made description and month file.
struct Archive {
    kwtest::TempDir dir;
    QuietUi ui;
    kw::Engine engine{ui};
    Lines out;
    std::vector<std::string> log;

    explicit Archive(const std::string& block)
    {
        dir.write("D0LARCH.INI", "[BLOCK]\r\nA=1\r\n[REV]\r\nREV_PLC=1\r\nREV_INI=1\r\n[A]\r\n"
                                 "POPIS=Test\r\nVYPIS=ON\r\nDEN=L0B\r\nHOD=H0B\r\nMIN=L1B\r\n"
                                 "SEC=H1B\r\nVALUE=W2N\r\nNASOB=0.25\r\nZOBRAZ=0\r\nJEDN=kW\r\n" +
                                     block);
        engine.setProgramPath(dir.path());
        engine.Location.DeviceNo = 0;
        engine.output.setTarget(&out);
        engine.log.setSink([this](const std::string& line, bool) { log.push_back(line); });
        engine.description.LoadArchiveDescription(dir.path(), 0);
    }

    // Record data of revisions 1/1 whose block holds (day, h, m, s, value).
    struct Rec {
        int day, hour, minute, second, value;
    };
    static std::string Data(const std::vector<Rec>& recs, int words = 64)
    {
        std::string data(static_cast<std::size_t>(words) * 2, '\0');
        data[0] = 1;
        data[1] = 1;
        const auto bcd = [](int v) { return static_cast<char>((v / 10) * 16 + v % 10); };
        std::size_t at = 32; // word 16
        for (const Rec& r : recs) {
            data[at] = bcd(r.day);
            data[at + 1] = bcd(r.hour);
            data[at + 2] = bcd(r.minute);
            data[at + 3] = bcd(r.second);
            data[at + 4] = static_cast<char>(r.value & 0xFF);
            data[at + 5] = static_cast<char>(r.value >> 8);
            at += 6;
        }
        return data;
    }
    void month(const std::vector<std::pair<int, std::string>>& entries, uint16_t count = 32)
    {
        demo::MonthImage image;
        image.count = count;
        for (const auto& [n, data] : entries) {
            demo::MonthEntry& e = image.entries[static_cast<std::size_t>(n - 1)];
            e.present = true;
            e.numbers = {2, 0, static_cast<uint16_t>(n)};
            e.data = data;
        }
        dir.write("EL_24_03.DAT", demo::SerializeMonthFile(image));
    }
};

} // namespace kwtest
