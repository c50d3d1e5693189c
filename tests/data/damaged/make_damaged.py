#!/usr/bin/python3
"""Writes workbooks damaged in one way each, as other programs or a broken copy leave them.

Run from this folder: ./make_damaged.py. The files are committed; the reader's tests open them and
compare with verdicts.tsv, whose LibreOffice column check_with_libreoffice.sh checks.
"""
import zipfile

# The content types of every file; the styles and shared strings parts add theirs.
CT_HEAD='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'


def build(name, sheet_rows, styles=True, shared=None, xfs=2, workbook=True, sheet_part=True, sheet_xml=None):
    files={}
    ct=CT_HEAD
    rels='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
    if styles:
        ct+='<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
        rels+='<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        x=''.join('<xf numFmtId="%d" fontId="0" fillId="0" borderId="0" xfId="0"%s/>'%(f, ' applyNumberFormat="1"' if f else '') for f in ([0,2,14][:xfs]))
        files['xl/styles.xml']='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts><fills count="1"><fill><patternFill patternType="none"/></fill></fills><borders count="1"><border/></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="%d">%s</cellXfs></styleSheet>'%(xfs,x)
    if shared is not None:
        ct+='<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        rels+='<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        files['xl/sharedStrings.xml']='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">%s</sst>'%(len(shared),len(shared),''.join('<si><t>%s</t></si>'%s for s in shared))
    ct+='</Types>'
    rels+='</Relationships>'
    files['[Content_Types].xml']=ct
    files['_rels/.rels']='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>'
    if workbook:
        files['xl/workbook.xml']='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Contacts" sheetId="1" r:id="rId1"/></sheets></workbook>'
    files['xl/_rels/workbook.xml.rels']=rels
    if sheet_part:
        files['xl/worksheets/sheet1.xml']=sheet_xml if sheet_xml is not None else '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>%s</sheetData></worksheet>'%sheet_rows
    with zipfile.ZipFile(name,'w',zipfile.ZIP_DEFLATED) as z:
        for k,v in files.items(): z.writestr(k,v)
def R(n, cells):
    """A row of the sheet."""
    return '<row r="%d">%s</row>' % (n, cells)


def N(ref, value, style=None):
    """A number cell, with the style index given."""
    return '<c r="%s"%s><v>%s</v></c>' % (ref, ' s="%s"' % style if style is not None else '', value)


# The heading row, then Ann's and Bob's rows: only A2 differs from file to file.
base = R(1, '<c r="A1" t="inlineStr"><is><t>Mobile</t></is></c><c r="B1" t="inlineStr"><is><t>Name</t></is></c>')


def rows(a2):
    return (base + R(2, a2 + '<c r="B2" t="inlineStr"><is><t>Ann</t></is></c>') +
            R(3, N('A3', '919876543211') + '<c r="B3" t="inlineStr"><is><t>Bob</t></is></c>'))


build('ok.xlsx', rows(N('A2','919876543210')))
build('style_beyond_table.xlsx', rows(N('A2','919876543210','7')))
build('style_beyond_on_a_date.xlsx', rows(N('A2','46357','3')), xfs=3)
build('style_not_a_number.xlsx', rows(N('A2','919876543210','x')))
build('style_negative.xlsx', rows(N('A2','919876543210','-1')))
build('no_styles_part.xlsx', rows(N('A2','919876543210','1')), styles=False)
build('shared_beyond.xlsx', rows('<c r="A2" t="s"><v>5</v></c>'), shared=['a','b'])
build('no_shared_part.xlsx', rows('<c r="A2" t="s"><v>0</v></c>'))
build('number_not_a_number.xlsx', rows(N('A2','1.2.3')))
build('rows_out_of_order.xlsx', base+R(3,N('A3','919876543211'))+R(2,N('A2','919876543210')))
build('cells_without_ref.xlsx', base+'<row r="2"><c><v>919876543210</v></c><c t="inlineStr"><is><t>Ann</t></is></c></row>')
build('rows_without_ref.xlsx', base+'<row><c r="A2"><v>919876543210</v></c></row>')
build('same_cell_twice.xlsx', base+R(2,N('A2','1')+N('A2','919876543210')))
build('no_workbook_part.xlsx', rows(N('A2','1')), workbook=False)
build('no_sheet_part.xlsx', rows(N('A2','1')), sheet_part=False)
build('sheet_not_xml.xlsx', '', sheet_xml='this is not xml <<<')
build('sheet_cut_short.xlsx', '', sheet_xml='<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1"><v>1</v></c></row><row r="2"><c r="A2"><v>2')
build('unknown_type.xlsx', rows('<c r="A2" t="q"><v>919876543210</v></c>'))
data=open('ok.xlsx','rb').read()
open('zip_cut_short.xlsx','wb').write(data[:len(data)//2])
