#!/usr/bin/python3
"""The whole-sheet send done the short way, for comparison: read the workbook with openpyxl, merge
the cell data of every row, form-encode it and POST it with urllib, as `quorvalent send` does.

usage: openpyxl_send.py WORKBOOK ROWS PORT
"""
import sys
import urllib.parse
import urllib.request

import openpyxl


def shown(value):
    """The cell as the sheet shows it, near enough: dates as m/d/yyyy, amounts with two places."""
    if hasattr(value, "month"):
        return f"{value.month}/{value.day}/{value.year}"
    if isinstance(value, float):
        return f"{value:,.2f}"
    return str(value)


def main():
    path, rows, port = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    sheet = openpyxl.load_workbook(path).active
    numbers, records = [], []
    for row in sheet.iter_rows(min_row=2, max_row=rows + 1, max_col=5, values_only=True):
        if not isinstance(row[0], (int, float)):
            continue
        numbers.append(str(int(row[0])))
        records.append(
            "\x02".join(f"{name}\x01{shown(value)}" for name, value in zip("BCDE", row[1:])))
    body = urllib.parse.urlencode({
        "mobilenumber": ",".join(numbers),
        "message": "Dear #B#, #C# is due on #D# at #E#.",
        "MMCellData": "\x7f".join(records),
        "user": "bench",
        "passwd": "pw",
        "ver": "1.0",
        "SenderName": "",
        "IsConcatSMS": "0",
        "TOS": "N",
    }, encoding="cp1252").encode("ascii")
    request = urllib.request.Request(
        f"http://127.0.0.1:{port}/SMS_Excel_1/SaveBulkSMS.asp", data=body,
        headers={"Content-Type": "application/x-www-form-urlencoded"})
    answer = urllib.request.urlopen(request).read().decode("cp1252")
    print(f"{len(numbers)} SMS Messages Sent" if answer == "000" else answer)


main()
