#!/usr/bin/python3
"""Writes displayed_texts.xlsx and displayed_texts.csv: numbers under many formats as a spreadsheet
program shows them, to check the add-in's displayed texts against one that is not ours.

Column A holds a value under a number format, column B the format code as text. openpyxl writes a
first workbook; LibreOffice (Debian's libreoffice-calc-nogui) opens it and writes it again as
displayed_texts.xlsx, so the styles are LibreOffice's own, and exports it with "save cell contents
as shown" to displayed_texts.csv, whose first column is what each cell of column A displays.

Run from this folder: ./make_displayed_texts.py. Both files are committed; the tests only read them.
"""
import datetime
import os
import shutil
import subprocess
import tempfile

import openpyxl

D = datetime.datetime
CASES = [
    # Decimals round the value's 15-digit decimal form, a half away from zero.
    (1.005, "0.00"), (1.015, "0.00"), (0.285, "0.00"), (2.675, "0.00"), (1.45, "0.0"),
    (-1.005, "0.00"), (8.345, '"$"#,##0.00'), (1.005, "#,##0.00"), (2.5, "0"), (-2.5, "0"),
    (0.5, "0"), (999.5, "0"), (1234.5, "0"), (0.004, "0.00"), (0.005, "0.00"), (-0.004, "0.00"),
    (1.5, "0.0#"), (1.234, "0.0#"), (42, "000000"),
    # Percentages.
    (0.01005, "0.00%"), (0.125, "0%"), (0.125, "0.0%"), (0.001, "0%"), (-0.125, "0.00%"),
    # Currency and accounting.
    (1234.5, '"$"#,##0.00_);\\("$"#,##0.00\\)'), (-1234.5, '"$"#,##0.00_);\\("$"#,##0.00\\)'),
    (-1234, "#,##0_);(#,##0)"), (1234.567, '[$€-407] #,##0.00'),
    (0, '_("$"* #,##0.00_);_("$"* \\(#,##0.00\\);_("$"* "-"??_);_(@_)'),
    # Thousands and scaling.
    (1234567.891, "#,##0"), (1234567.891, "#,##0.00"), (1234567, "#,##0,"), (1234567, '0.0,,"M"'),
    (999, "#,##0"), (1000, "#,##0"),
    # Scientific.
    (12345.6789, "0.00E+00"), (0.000123456, "0.00E+00"), (9.995, "0.00E+00"), (12345, "##0.0E+0"),
    (-12345.6789, "0.00E+00"), (0, "0.00E+00"),
    # Fractions.
    (1.25, "# ?/?"), (0.5, "# ?/?"), (3, "# ?/?"), (0.3333, "# ??/??"), (2.75, "?/4"),
    (0, "# ?/?"), (0.5, "# ??/??"), (12.02, "# ??/??"), (0.75, "0 ??/??"),
    # Conditions and colours.
    (5551234567, "[<=9999999]###-####;(###) ###-####"), (5551234, "[<=9999999]###-####;(###) ###-####"),
    (999, '[>=1000]#,##0,"K";0'), (1500, '[>=1000]#,##0,"K";0'), (-5, '[>=1000]#,##0,"K";0'),
    (150, '[<100]"low";"high"'), (50, '[<100]"low";"high"'), (-5, '[<100]"low";"high"'),
    (50, "[Red][<=10]0.0;[Blue][>10]0"), (5, "[Red][<=10]0.0;[Blue][>10]0"),
    (-50, "[Red][<=10]0.0;[Blue][>10]0"), (-5, "[<0]0;0"), (-5, "[<=0]0.0;0"), (5, "[<0]0;0"),
    (-20, "[<-10]0;[<0]0.0;0.00"), (-5, "[<-10]0;[<0]0.0;0.00"), (5, "[<-10]0;[<0]0.0;0.00"),
    (-5, "[<>0]0.0;0"), (0, "[<>0]0.0;0"), (5, '[=5]"five";0'),
    (-2.5, "0.00;[Red]-0.00"), (-2.5, '[Blue]0.00;[Red]"minus "0.00;"zero"'), (0, '0.00;-0.00;"zero"'),
    # Text sections and the Text format.
    ("abc", '0;-0;0;"Name: "@'), ("00123", "@"), (12345, "@"), (0.5, "@"), (-7.25, "@"),
    (919876543210, "@"), (5, "0.00;@"), (-5, "0.00;@"),
    # Dates, times and durations.
    (D(2026, 12, 6), "m/d/yyyy"), (D(2026, 12, 6), "d-mmm-yy"), (D(2026, 12, 6), "dddd, mmmm d, yyyy"),
    (D(2026, 12, 6, 20, 5, 9), "m/d/yyyy h:mm"), (D(2026, 12, 6, 20, 5, 9), "yyyy-mm-dd hh:mm:ss"),
    (D(2026, 12, 6, 20, 5, 9), "dd mmm yyyy hh:mm AM/PM"), (D(2024, 2, 29), "mm/dd/yy"),
    (datetime.time(10, 30), "h:mm AM/PM"), (datetime.time(23, 15), "h:mm"),
    (datetime.time(18, 30, 5), "h:mm:ss AM/PM"), (1.5, "[h]:mm:ss"), (0.5 / 24, "mm:ss"),
    (0.0625, "[mm]"),
    # General, long and small.
    (1234.5, "General"), (919876543210, "General"), (123456789012345, "General"),
    (0.1 + 0.2, "General"), (0.0001, "General"), (1e-10, "General"), (-0.00012345, "General"),
    (1234567.891, "General"), (1 / 3, "General"),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory() as tmp:
        wb = openpyxl.Workbook()
        ws = wb.active
        ws.title = "Texts"
        for row, (value, code) in enumerate(CASES, start=1):
            ws.cell(row=row, column=1, value=value).number_format = code
            ws.cell(row=row, column=2, value=code)
        source = os.path.join(tmp, "displayed_texts.xlsx")
        wb.save(source)
        out = os.path.join(tmp, "out")
        profile = "-env:UserInstallation=file://" + os.path.join(tmp, "profile")
        subprocess.run(["soffice", profile, "--headless", "--convert-to", "xlsx", "--outdir", out,
                        source], check=True, capture_output=True)
        written = os.path.join(out, "displayed_texts.xlsx")
        subprocess.run(["soffice", profile, "--headless", "--convert-to",
                        "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,true",
                        "--outdir", out, written], check=True, capture_output=True)
        shutil.copy(written, os.path.join(here, "displayed_texts.xlsx"))
        shutil.copy(os.path.join(out, "displayed_texts.csv"), os.path.join(here, "displayed_texts.csv"))


if __name__ == "__main__":
    main()
