#!/usr/bin/env python3
# Writes the two sample PDFs of this folder: the same one-page report with its content
# stream written plainly and compressed with FlateDecode. Run from this folder.
import zlib


def pdf(content, compress=False):
    data = zlib.compress(content) if compress else content
    filt = b" /Filter /FlateDecode" if compress else b""
    objs = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        b" /Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length %d%s >>\nstream\n" % (len(data), filt) + data + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Title (Quarterly report) /Author (Jane Doe) /Producer (GPL Ghostscript 10.00.0)"
        b" /CreationDate (D:20240305091200+01'00') >>",
    ]
    out = bytearray(b"%PDF-1.4\n%\xc7\xec\x8f\xa2\n")
    offsets = []
    for number, body in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R /Info 6 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objs) + 1, xref)
    return bytes(out)


CONTENT = rb"""q
0.1 0 0 0.1 0 0 cm
BT
/F1 18 Tf
72 720 Td
22 TL
(Quarterly report \(draft\)) Tj
/F1 11 Tf
0 -30 Td
(Revenue rose in Z\374rich and Gen\350ve; see note \(a\) below.) Tj
(The caf\351 budget \227 \20012,400 \227 was na\357ve.) '
[(Ker) 20 (ning) -250 ( and spacing)] TJ
T*
<4865782074657874> Tj
2 0 (Set with the double quote operator) "
ET
BT
72 100 Td
(Page 1 of 1) Tj
ET
Q
"""

with open("report-uncompressed.pdf", "wb") as f:
    f.write(pdf(CONTENT))
with open("report-compressed.pdf", "wb") as f:
    f.write(pdf(CONTENT, compress=True))
