#!/usr/bin/env python3
"""Reads back the workbooks the window's test exported (tests/ui/journal_window_tests.cpp) with a
spreadsheet library and compares them cell by cell, type included, with the journal they came
from, read here on its own: every cell text, numbers and hex exactly as written."""
import csv
import re
import sys
from datetime import datetime
from pathlib import Path

from openpyxl import load_workbook

HEADER = ["时间", "结果", "版本或客户号", "前十位号", "后八位号", "十六进制", "芯片", "保护", "原卡号", "批次"]
BATCH_MARK = "；批次 "
TIME = re.compile(r"^(\d{4}-\d{2}-\d{2})T(\d{2}:\d{2}:\d{2})(Z|[+-]\d{2}:\d{2})$")
HEX = re.compile(r"^[0-9A-Fa-f]{10}$")


def expected_rows(journal: Path):
    """The journal's whole lines as the table shows them, newest first. Each line stands alone:
    a line cut short inside a quote ends at its line end and takes no line after it."""
    rows = []
    for line in journal.read_text(encoding="utf-8-sig").split("\n"):
        try:
            fields = next(csv.reader([line.rstrip("\r")], strict=True), [])
        except csv.Error:
            continue
        if len(fields) not in (8, 10) or not TIME.match(fields[0]) or not HEX.match(fields[2]):
            continue
        if fields[7] not in ("是", "否"):
            continue
        previous = fields[9] if len(fields) == 10 else ""
        if len(fields) == 10 and (fields[8] not in ("是", "否") or (previous and not HEX.match(previous))):
            continue
        # The time where the program runs now, whatever zone the line was written in.
        shown = datetime.fromisoformat(fields[0].replace("Z", "+00:00")).astimezone()
        number = int(fields[2], 16)
        low = number & 0xFFFFFFFF
        # A start no outcome follows is a write cut off, told as such. A write made in a batch
        # names it after its result: the batch has a column of its own.
        result, _, batch = fields[1].partition(BATCH_MARK)
        if result == "正在写卡":
            result = "结果不明（写卡被中断）"
        # What the tag held, as a ten-digit number, its version or customer byte where not zero.
        if previous:
            held = int(previous, 16)
            previous = f"{held & 0xFFFFFFFF:010d}" + (f"（版本或客户号 {held >> 32:03d}）" if held >> 32 else "")
        rows.append([
            shown.strftime("%Y-%m-%d %H:%M:%S"), result, f"{number >> 32:03d}", f"{low:010d}",
            f"{(low >> 16) & 0xFF:03d},{low & 0xFFFF:05d}", fields[2].upper(), fields[6],
            fields[7], previous or None, batch or None,
        ])
    rows.reverse()
    return rows


def width(text):
    return sum(2 if ord(c) > 0x7FF else 1 for c in text)


def check(book: Path, rows, sheet_name, failures):
    ws = load_workbook(book).active
    def fail(what):
        failures.append(f"{book.name}: {what}")
    if ws.title != sheet_name:
        fail(f"sheet named {ws.title!r}, not {sheet_name!r}")
    if ws.freeze_panes != "A2":
        fail(f"frozen at {ws.freeze_panes!r}, not below the header")
    got = list(ws.iter_rows())
    if [c.value for c in got[0]] != HEADER:
        fail(f"header {[c.value for c in got[0]]}")
    if not all(c.font.b for c in got[0]):
        fail("header not bold")
    if len(got) - 1 != len(rows):
        fail(f"{len(got) - 1} rows, the journal has {len(rows)}")
    for r, (cells, want) in enumerate(zip(got[1:], rows), start=2):
        for c, (cell, value) in enumerate(zip(cells, want)):
            if cell.value != value:
                fail(f"{cell.coordinate} holds {cell.value!r}, the journal {value!r}")
            elif value is not None and cell.data_type != "s":
                fail(f"{cell.coordinate} is of type {cell.data_type!r}, not text")
    for c, name in enumerate(HEADER):
        letter = chr(ord("A") + c)
        widest = max(width(str(v)) for v in [name] + [row[c] for row in rows if row[c]])
        if (ws.column_dimensions[letter].width or 0) < widest:
            fail(f"column {letter} is {ws.column_dimensions[letter].width} wide for {widest}")


def main():
    folder = Path(sys.argv[1])
    rows = expected_rows(folder / "written-tags.csv")
    failures = []
    checks = [("写卡记录-全部.xlsx", rows), ("写卡记录-所选.xlsx", [rows[1], rows[3]])]
    for name, want in checks:
        check(folder / name, want, "2024-06-30", failures)
    for failure in failures:
        print(failure)
    # The journal must hold what the table is about: 00000003E8, 0000001000 and 0000000141, and
    # writes made in batches.
    hexes = {row[5] for row in rows}
    if not {"00000003E8", "0000001000", "0000000141"} <= hexes:
        failures.append("the journal lacks the numbers a spreadsheet would change")
    if not any(row[9] for row in rows):
        failures.append("the journal lacks a write made in a batch")
    print(f"{len(checks) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
