#!/usr/bin/python3
"""Writes the workbook fixtures of the tests with openpyxl (Debian's python3-openpyxl).

Run from this folder: ./make_fixtures.py. The files are committed; the tests only read them.
"""
import datetime

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.workbook.defined_name import DefinedName

# Each row: value, number format, the text a US English spreadsheet shows.
FORMATS = [
    (1234.5, "General", "1234.5"),
    (919876543210, "General", "919876543210"),
    (0.1, "General", "0.1"),
    (1234.5, "0", "1235"),
    (1234.5, "0.00", "1234.50"),
    (1234567.891, "#,##0", "1,234,568"),
    (1234567.891, "#,##0.00", "1,234,567.89"),
    (0.125, "0%", "13%"),
    (0.125, "0.00%", "12.50%"),
    (12345.678, "0.00E+00", "1.23E+04"),
    (1.25, "# ?/?", "1 1/4"),
    (9876543210, "(###) ###-####", "(987) 654-3210"),
    (42, "000000", "000042"),
    (-1234, "#,##0_);(#,##0)", "(1,234)"),
    (1234.5, '"$"#,##0.00', "$1,234.50"),
    (datetime.datetime(2026, 12, 6), "m/d/yyyy", "12/6/2026"),
    (datetime.datetime(2026, 12, 6), "d-mmm-yy", "6-Dec-26"),
    (datetime.datetime(2026, 12, 6, 20, 5, 9), "m/d/yyyy h:mm", "12/6/2026 20:05"),
    (datetime.datetime(2026, 12, 6, 20, 5, 9), "dd mmm yyyy hh:mm AM/PM", "06 Dec 2026 08:05 PM"),
    (datetime.time(18, 30), "h:mm AM/PM", "6:30 PM"),
    ("00123", "@", "00123"),
    ("plain text", "General", "plain text"),
]


def formats():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Formats"
    for row, (value, code, text) in enumerate(FORMATS, start=1):
        ws.cell(row=row, column=1, value=value).number_format = code
        ws.cell(row=row, column=2, value=code)
        ws.cell(row=row, column=3, value=text)
    ws.cell(row=30, column=1, value=True)
    ws.cell(row=31, column=1, value="#N/A")
    wb.save("formats.xlsx")


def contacts():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Contacts"
    ws.append(["Mobile", "Name", "Amount", "Due", "Client"])
    people = [
        (919876543210, "Ann", 10.5, datetime.date(2026, 12, 1), "C1"),
        (919876543211, "Bob & Co <ltd>", 20, datetime.date(2026, 12, 2), "C2"),
        ("98-76-54", "Dashes", 30, datetime.date(2026, 12, 3), "C3"),
        (None, "No number", 40, None, "C4"),
        (919876543214, "Zoë", 50, datetime.date(2026, 12, 5), "C5"),
    ]
    for p in people:
        ws.append(list(p))
    for row in range(2, 8):
        ws.cell(row=row, column=4).number_format = "m/d/yyyy"
    ws["B2"].comment = Comment("first customer", "tests")
    ws.merge_cells("G1:H1")
    ws["G1"] = "merged"

    numbers = wb.create_sheet("Numbers")
    numbers.append(["Client", "Mobile"])
    numbers.append(["C1", 911111111111])
    numbers.append(["C2", 922222222222])
    numbers.append([12, 933333333333])

    chart_sheet = wb.create_sheet("Chart")
    for i in range(1, 6):
        chart_sheet.append([i, i * i])
    chart = BarChart()
    chart.add_data(Reference(chart_sheet, min_col=2, min_row=1, max_row=5))
    chart_sheet.add_chart(chart, "D2")
    wb.defined_names.append(DefinedName("Amounts", attr_text="Contacts!$C$2:$C$6"))
    wb.active = 0
    wb.save("contacts.xlsx")


def shared():
    """A package written by hand: shared strings with rich text and escapes, styles, two sheets."""
    import zipfile

    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
    parts = {
        "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
        '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
        '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        "</Types>",
        "_rels/.rels": '<?xml version="1.0" encoding="UTF-8"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
        "</Relationships>",
        "xl/workbook.xml": f'<?xml version="1.0" encoding="UTF-8"?><workbook {ns} {rel}>'
        '<bookViews><workbookView activeTab="1"/></bookViews>'
        '<sheets><sheet name="First" sheetId="1" r:id="rId1"/><sheet name="Second Sheet" sheetId="2" r:id="rId2"/></sheets>'
        '<definedNames><definedName name="Local" localSheetId="1">\'Second Sheet\'!$A$1</definedName></definedNames>'
        "</workbook>",
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0" encoding="UTF-8"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet2.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        '<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        "</Relationships>",
        "xl/styles.xml": f'<?xml version="1.0" encoding="UTF-8"?><styleSheet {ns}>'
        '<numFmts count="1"><numFmt numFmtId="164" formatCode="0.0 &quot;kg&quot;"/></numFmts>'
        '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
        '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
        '<borders count="1"><border/></borders>'
        '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
        '<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
        '<xf numFmtId="14" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
        '<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs>'
        "</styleSheet>",
        "xl/sharedStrings.xml": f'<?xml version="1.0" encoding="UTF-8"?><sst {ns} count="4" uniqueCount="4">'
        "<si><t>plain</t></si>"
        '<si><r><rPr><b/></rPr><t>rich </t></r><r><t xml:space="preserve">text </t></r><rPh sb="0" eb="1"><t>x</t></rPh></si>'
        "<si><t>line_x000D_break &amp; &lt;tag&gt;</t></si>"
        "<si><t/></si>"
        "</sst>",
        "xl/worksheets/sheet1.xml": f'<?xml version="1.0" encoding="UTF-8"?><worksheet {ns}><dimension ref="A1:C3"/><sheetData>'
        '<row r="1" spans="1:3"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c></row>'
        '<row r="2"><c r="A2" s="1"><v>46362</v></c><c r="B2" s="2"><v>12.34</v></c><c r="C2" t="b"><v>1</v></c></row>'
        '<row r="3"><c r="A3"><f>1+1</f><v>2</v></c><c t="str"><f>"a"&amp;"b"</f><v>ab</v></c><c r="C3" t="e"><v>#DIV/0!</v></c></row>'
        "</sheetData></worksheet>",
        "xl/worksheets/sheet2.xml": f'<?xml version="1.0" encoding="UTF-8"?><worksheet {ns}><sheetData>'
        '<row r="1"><c r="A1" t="s"><v>3</v></c><c r="B1"><v>1</v></c></row>'
        "</sheetData><extLst><ext uri=\"x\"><unknown/></ext></extLst></worksheet>",
    }
    with zipfile.ZipFile("shared.xlsx", "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            z.writestr(name, text)


formats()
contacts()
shared()
