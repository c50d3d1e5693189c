#!/usr/bin/python3
"""Writes numbers under many formats as a spreadsheet program shows them, to check the add-in's
displayed texts against a program that is not ours: two workbooks, each with the CSV of what its
cells show.

Column A holds a value under a number format, column B the format code as text.
- displayed_texts.xlsx: openpyxl writes the codes as Excel spells them; LibreOffice (Debian's
  libreoffice-calc-nogui) opens that workbook and writes it again, so the styles are its own.
- displayed_texts_native.xlsx: LibreOffice makes the cells itself, with codes in its own spelling
  (through UNO, Debian's python3-uno), and writes them as it writes any workbook.
Each is exported with "save cell contents as shown" to a .csv of the same name, whose first column
is what each cell of column A displays.

Run from this folder: ./make_displayed_texts.py. The files are committed; the tests only read them.
"""
import datetime
import os
import shutil
import subprocess
import tempfile
import time

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


# LibreOffice's own spelling of codes, as its format dialog writes them.
NATIVE = [
    (44901.5, "NN DD.MM.YYYY"), (-1234.5, "[$$-409]#,##0.00;[RED]-[$$-409]#,##0.00"),
    (12345.678, "0.00E+000"), (1.25, "# ?/?"), (1, "BOOLEAN"), (0, "BOOLEAN"),
    (44901, "MMMM D, YYYY"), (1.5, "[HH]:MM:SS"), (0.4375, "HH:MM AM/PM"), (0.125, "0%"),
    (1234.5, "#,##0.00 [$€-407]"), (44901, "[$-F800]DDDD, MMMM DD, YYYY"),
    (0.75, "[$-F400]HH:MM:SS AM/PM"), (44901.25, "YYYY-MM-DD HH:MM:SS"), (44901, "DDD, D MMM YY"),
    (1234.5678, "#,##0.0#"), (0.5, "@"), (-5, "0;[RED]-0"), (5, '"Qty "0'), (44901, "D/M/YY"),
    (1.005, "0.00"), (0.01005, "0.00%"), (5551234567, "[<=9999999]###-####;(###) ###-####"),
    (919876543210, "0"), (-0.5, "#,##0.00;(#,##0.00)"), (123456789, "#,##0,,\"M\""),
]

CSV_AS_SHOWN = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,true"


def native(tmp, here):
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.lang import Locale

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    office = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + tmp + "/uno",
                               "--headless", "--invisible", "--norestore",
                               "--accept=socket,host=127.0.0.1,port=2083;urp;"])
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(120):
            try:
                ctx = resolver.resolve(
                    "uno:socket,host=127.0.0.1,port=2083;urp;StarOffice.ComponentContext")
                break
            except Exception:
                time.sleep(0.5)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                           (prop("Hidden", True),))
        sheet = doc.Sheets.getByIndex(0)
        formats = doc.getNumberFormats()
        us = Locale("en", "US", "")
        for row, (value, code) in enumerate(NATIVE):
            key = formats.queryKey(code, us, False)
            if key == -1:
                key = formats.addNew(code, us)
            cell = sheet.getCellByPosition(0, row)
            cell.setValue(float(value))
            cell.NumberFormat = key
            sheet.getCellByPosition(1, row).setString(code)
        base = "file://" + os.path.join(here, "displayed_texts_native")
        doc.storeToURL(base + ".xlsx", (prop("FilterName", "Calc MS Excel 2007 XML"),))
        doc.storeToURL(base + ".csv", (prop("FilterName", "Text - txt - csv (StarCalc)"),
                                       prop("FilterOptions", CSV_AS_SHOWN.split(":", 2)[2])))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the office ends as it answers
    finally:
        try:
            office.wait(timeout=60)
        except subprocess.TimeoutExpired:
            office.kill()


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
        subprocess.run(["soffice", profile, "--headless", "--convert-to", CSV_AS_SHOWN,
                        "--outdir", out, written], check=True, capture_output=True)
        shutil.copy(written, os.path.join(here, "displayed_texts.xlsx"))
        shutil.copy(os.path.join(out, "displayed_texts.csv"), os.path.join(here, "displayed_texts.csv"))
        native(tmp, here)


if __name__ == "__main__":
    main()
