#!/usr/bin/env python3
"""Reads back the hand-over list tests/ui/batch_list_tests.cpp saved and printed: the workbook
with a spreadsheet library, cell by cell, and the PDF with poppler's pdffonts (every font
embedded, so that the Chinese prints anywhere) and pdftotext (its words, numbers and page numbers
come back). The batch is worked out here on its own: 客户甲/一, 0000001000 on, 120 tags, 100
written, 20 void, the first ten checked, and 0000009999 of another batch."""
import re
import subprocess
import sys
from datetime import datetime
from pathlib import Path

from openpyxl import load_workbook

HEADER = ["序号", "前十位号", "后八位号", "十六进制", "状态", "核对", "时间"]
WRITTEN = datetime.fromisoformat("2024-05-01T14:03:22+08:00").astimezone().strftime("%Y-%m-%d %H:%M:%S")


def views(n):
    return [f"{n & 0xFFFFFFFF:010d}", f"{(n >> 16) & 0xFF:03d},{n & 0xFFFF:05d}", f"{n:010X}"]


def expected_rows():
    rows = []
    for i in range(120):
        written = i < 100
        rows.append([str(i + 1), *views(1000 + i), "已写卡" if written else "作废",
                     "已核对" if i < 10 else None, WRITTEN if written else None])
    rows.append([None, *views(9999), "不在本批次", None, None])
    return rows


SUMMARY = [["名称", "客户甲/一"], ["范围", "0000001000 – 0000001119"], ["张数", "120"],
           ["已写", "100"], ["作废", "20"], ["已核对", "10"]]


def check_workbook(book: Path, fail):
    ws = load_workbook(book).active
    if ws.title != "交接清单":
        fail(f"sheet named {ws.title!r}")
    got = [[c.value for c in row] for row in ws.iter_rows()]
    cells = [c for row in ws.iter_rows() for c in row if c.value is not None]
    if any(c.data_type != "s" for c in cells):
        fail("a cell that is not text")
    summary = [row[:2] for row in got[:len(SUMMARY)]]
    if summary != SUMMARY:
        fail(f"summary {summary}")
    if any(v is not None for row in got[:len(SUMMARY)] for v in row[2:]):
        fail("the summary spills beyond its two columns")
    table = len(SUMMARY) + 1
    if any(v is not None for v in got[table - 1]):
        fail("no blank row between the summary and the table")
    if got[table] != HEADER:
        fail(f"header {got[table]}")
    if not all(c.font.b for c in list(ws.iter_rows())[table]):
        fail("header not bold")
    if ws.freeze_panes != f"A{table + 2}":
        fail(f"frozen at {ws.freeze_panes!r}, not below the header")
    want = expected_rows()
    if got[table + 1:] != want:
        wrong = next((g, w) for g, w in zip(got[table + 1:] + [None] * len(want), want) if g != w)
        fail(f"{len(got) - table - 1} rows for {len(want)}; first differing: {wrong}")


def pdf_pages(pdf: Path):
    text = subprocess.run(["pdftotext", "-layout", str(pdf), "-"], capture_output=True, text=True,
                          check=True).stdout
    return text.rstrip("\f").split("\f")


def row_numbers(text):
    return [line.split()[0] for line in text.splitlines() if re.match(r"\s*\d+\s+\d{10}\s", line)]


def check_pdf(pdf: Path, fail):
    fonts = subprocess.run(["pdffonts", str(pdf)], capture_output=True, text=True, check=True).stdout
    lines = fonts.splitlines()[2:]
    if not lines:
        fail("no font in the PDF")
    for line in lines:
        # name type encoding emb sub uni object ID: emb is the fifth field from the end.
        if line.split()[-5] != "yes":
            fail(f"a font not embedded: {line}")
    pages = pdf_pages(pdf)
    for number, page in enumerate(pages, start=1):
        if f"第 {number} 页，共 {len(pages)} 页" not in page:
            fail(f"page {number} lacks its page number of {len(pages)}")
        if not re.search(r"序号\s+前十位号\s+后八位号\s+十六进制\s+状态\s+核对\s+时间", page):
            fail(f"page {number} lacks the column header")
    whole = "\n".join(pages)
    for words in ["交接清单", "客户甲/一", "0000001000 – 0000001119", "已写卡", "作废", "已核对",
                  "不在本批次", "0000001119", "000,01119", "000000045F", WRITTEN]:
        if words not in whole:
            fail(f"{words!r} not in the printed text")
    rows = row_numbers(whole)
    if rows != [str(i) for i in range(1, 121)]:
        fail(f"printed rows {rows[:3]}…{rows[-3:]}, not 1 to 120 once each in order")
    if len(pages) < 3:
        fail(f"{len(pages)} pages")
        return
    # The second page alone, as the whole list's second page has it.
    alone = pdf_pages(pdf.with_name("交接清单-第2页.pdf"))
    if len(alone) != 1 or alone[0] != pages[1]:
        fail(f"page 2 printed alone differs from the whole list's: {len(alone)} pages, rows "
             f"{row_numbers(alone[0])[:1]} for {row_numbers(pages[1])[:1]}")


def main():
    folder = Path(sys.argv[1])
    failures = []
    for name, check in [("交接清单.xlsx", check_workbook), ("交接清单.pdf", check_pdf)]:
        check(folder / name, lambda what, name=name: failures.append(f"{name}: {what}"))
    for failure in failures:
        print(failure)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
