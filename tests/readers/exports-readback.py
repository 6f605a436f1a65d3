#!/usr/bin/python3
"""The exports of kwatrix-report read back by independent readers: the
workbooks with openpyxl, as a user's spreadsheet reads them, cell for cell
against the CSV; the CSV, the Excel CSV and the JSON with Python's own
readers, against each other and against the listing's series."""
import csv
import datetime
import io
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

report, demo = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(*args, status=0):
    p = subprocess.run([report, *args], capture_output=True)
    check(p.returncode == status, f"{args}: exit {p.returncode}, not {status}: {p.stderr[-300:]}")
    return p


def local(cell):
    # A date-time cell holds days; a quarter-hour is whole seconds.
    return (cell + datetime.timedelta(microseconds=500_000)).replace(microsecond=0)


with tempfile.TemporaryDirectory() as d:
    arch = d + "/"
    subprocess.run([demo, "--dir", d, "--last", "2024-03-31", "--months", "3", "--devices", "0"],
                   check=True, capture_output=True)
    book = d + "/rok.xlsx"
    run("--dir", arch, "--year", "2024", "--capacity", "200", "--format", "xlsx", "--output", book,
        status=0)
    wb = openpyxl.load_workbook(book)
    check(wb.sheetnames[0] == "Přehled" and wb.sheetnames[-1] == "Parametry", wb.sheetnames)

    # The overview against --format csv of the same year.
    rows = list(csv.DictReader(io.StringIO(run("--dir", arch, "--year", "2024", "--capacity",
                                               "200", "--format", "csv").stdout.decode())))
    sheet = list(wb["Přehled"].iter_rows(values_only=True))
    check(sheet[0][4] == "Energie [kWh]" and sheet[0][6] == "Maximum [kW]", sheet[0])
    check(len(sheet) == 13 and len(rows) == 12, "twelve months")
    for cells, row in zip(sheet[1:], rows):
        month = row["month"]
        check(cells[0] == month, month)
        check(cells[2] == int(row["count"]) and cells[3] == int(row["expected"]), month + " count")
        check(cells[4] == float(row["energy"]), f"{month} energy {cells[4]} {row['energy']}")
        if int(row["count"]) > 0:
            check(cells[5] == float(row["average"]) and cells[6] == float(row["max"]), month)
            check(local(cells[7]).isoformat() == row["max_time"][:19], month + " max time")
            check(cells[9] == int(row["over_capacity"]), month + " over capacity")
        else:
            check(cells[5] is None and cells[7] is None, month + " no values")
    check(len(wb["Přehled"]._charts) == 2, "two charts")

    # Every value of each month against that month's whole-month CSV.
    for month in ("2024-01", "2024-02", "2024-03"):
        values = list(csv.DictReader(io.StringIO(run(
            "--dir", arch, "--month", month, "--whole-month", "--format", "csv").stdout.decode())))
        sheet = list(wb["Čtvrthodiny " + month].iter_rows(values_only=True))
        check(sheet[0] == ("Začátek", "Konec", "Posun od UTC", "Hodnota [kW]"), sheet[0])
        check(len(sheet) - 1 == len(values) > 2000, f"{month}: {len(sheet) - 1} rows")
        for cells, row in zip(sheet[1:], values):
            end = local(cells[1]).isoformat() + cells[2]
            check(end == row["end"] and cells[3] == float(row["value"]), f"{month}: {cells} {row}")
            check(local(cells[1]) - local(cells[0]) == datetime.timedelta(minutes=15), str(cells))

    # A listing's workbook holds what its CSV holds.
    book = d + "/mesic.xlsx"
    run("--dir", arch, "--month", "2024-02", "--day", "3", "--format", "xlsx", "--output", book)
    values = list(csv.DictReader(io.StringIO(run(
        "--dir", arch, "--month", "2024-02", "--day", "3", "--format", "csv").stdout.decode())))
    sheet = list(openpyxl.load_workbook(book)["Čtvrthodiny"].iter_rows(values_only=True))
    check([local(c[1]).isoformat() + c[2] for c in sheet[1:]] == [r["end"] for r in values], "day")
    params = dict(openpyxl.load_workbook(book)["Parametry"].iter_rows(min_row=2, values_only=True))
    check(params["Složka archivu"] == arch and params["Jednotka"] == "kW", params)

    # The plain CSV, the Excel CSV and the JSON of a month hold the series the
    # graph holds (--values xy: day number and value of each bar).
    listing = ("--dir", arch, "--month", "2024-02", "--whole-month")
    bars = [line.split("\t") for line in run(*listing, "--values", "xy", "--point").stdout.decode().split("\n") if line]
    plain = run(*listing, "--format", "csv").stdout
    check(plain.count(b"\r\n") == plain.count(b"\n") == len(bars) + 1, "CR LF line ends")
    plain = list(csv.reader(io.StringIO(plain.decode(), newline="")))
    excel = list(csv.reader(io.StringIO(run(*listing, "--format", "excel-csv").stdout.decode("utf-8-sig"), newline=""), delimiter=";"))
    series = json.loads(run(*listing, "--format", "json").stdout)["series"]
    check(plain[0] == ["end", "value"], plain[0])
    check(excel[0] == ["Začátek", "Konec", "Posun od UTC", "Hodnota [kW]"], excel[0])
    check(len(plain) == len(excel) == len(series) + 1 == len(bars) + 1 > 2000, "one row a bar")
    epoch = datetime.datetime(1899, 12, 30)
    for bar, row, czech, item in zip(bars, plain[1:], excel[1:], series):
        end = epoch + datetime.timedelta(minutes=round(float(bar[0]) * 1440))
        check(row[0] == item["time"] == end.isoformat() + czech[2], f"{row} {item} {bar}")
        check(datetime.datetime.strptime(czech[1], "%d.%m.%Y %H:%M") == end, f"{czech} {bar}")
        check(float(row[1]) == float(czech[3].replace(",", ".")) == item["value"], f"{row} {czech}")
        check(abs(float(row[1]) - float(bar[1])) < 0.005, f"{row} {bar}")

    # The bill's workbook against its CSV, month for month and item for item.
    with open(arch + "KWATRIX-SMLOUVA.INI", "w") as f:
        f.write("[Zarizeni 0]\nCinnyBlok = 1\nJalovyBlok = 2\n[Zarizeni 0 Smlouva 2024-01-01]\n"
                "RocniRK = 200\n[Zarizeni 0 Cenik 2024-01-01]\nCenaRocniRK = 155.5\n"
                "CenaMesicniRK = 215.3\nCenaSite = 95\n")
    book = d + "/vyuctovani.xlsx"
    run("--dir", arch, "--bill", "2024", "--format", "xlsx", "--output", book)
    wb = openpyxl.load_workbook(book)
    bill = list(csv.DictReader(io.StringIO(run("--dir", arch, "--bill", "2024", "--format",
                                               "csv").stdout.decode())))
    sheet = list(wb["Vyúčtování"].iter_rows(values_only=True))
    check(len(sheet) == 13 and len(bill) == 12 and len(sheet[0]) == len(bill[0]), "bill rows")
    for cells, row in zip(sheet[1:], bill):
        for cell, key in zip(cells, row):
            if key not in ("month", "state", "max_time", "reason"):
                check(cell == (float(row[key]) if row[key] else None), f"{row['month']} {key}")
    above = list(wb["Nad RK"].iter_rows(min_row=2, values_only=True))
    check(len(above) > 0 and all(r[2] > 200 for r in above), f"{len(above)} above RK")

    # A workbook that cannot be saved is an error, and nothing is left.
    p = run("--dir", arch, "--year", "2024", "--format", "xlsx", "--output", d + "/chybí/x.xlsx",
            status=1)
    check("Soubor" in p.stderr.decode() or "nelze" in p.stderr.decode(), p.stderr.decode())
    check(not os.path.exists(d + "/chybí"), "no folder made")

for f in failures[:20]:
    print("FAIL:", f)
print(f"exports read back: {len(failures)} failures")
sys.exit(1 if failures else 0)
