#!/usr/bin/env bash
# Writes the sample PDFs of real producers in this folder from the files in sources/: a word
# processor's export of a short document, a manual page typeset to PostScript and converted
# (compressed, and with its pages left uncompressed), and a text file's page with its header.
# Needs: apt-get install libreoffice-writer-nogui ghostscript groff enscript
set -euo pipefail
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp sources/* "$work"
(cd "$work" && HOME="$work" libreoffice --headless --convert-to pdf minutes.fodt >/dev/null)
cp "$work/minutes.pdf" minutes-writer.pdf
groff -man -Tps sources/tally.1 >"$work/tally.ps"
ps2pdf "$work/tally.ps" tally-ps2pdf.pdf
ps2pdf -dCompressPages=false "$work/tally.ps" tally-uncompressed.pdf
# The page header shows the file's time.
touch -d "2026-12-11 10:41:09" "$work/news.txt"
(cd "$work" && enscript -q -o news.ps news.txt)
ps2pdf "$work/news.ps" news-enscript.pdf
