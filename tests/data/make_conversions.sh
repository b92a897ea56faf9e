#!/usr/bin/env bash
# Converts .xls fixtures of this folder into .xlsx, .ods and CSV (UTF-8) with LibreOffice Calc
# running headless, so that the converted files are written by a real spreadsheet program and
# carry the formula results it stored. Then writes the CSV variants and the cases LibreOffice
# cannot write with make_other_formats.py.
#
# Needs libreoffice-calc-nogui (not needed by the build or the tests: the results are checked
# in). LibreOffice runs with a profile in a temporary folder, which is deleted afterwards.
# Usage: tests/data/make_conversions.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
books=(sample formulas dates1904 awkward-cells kana-columns plain-cells)
soffice_run() {
  soffice -env:UserInstallation="file://$work/profile" --headless --norestore "$@" >/dev/null
}
for b in "${books[@]}"; do cp "$here/$b.xls" "$work/"; done
cd "$work"
for b in "${books[@]}"; do
  soffice_run --convert-to xlsx --outdir "$work/out" "$b.xls"
  soffice_run --convert-to ods --outdir "$work/out" "$b.xls"
  # Comma-separated, double quotes around text, UTF-8 (76), the first sheet, as shown.
  soffice_run --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true' \
    --outdir "$work/out" "$b.xls"
done
# The stored time stamps would make every run differ; the container keeps only the content.
for f in out/*.xlsx out/*.ods; do
  /usr/bin/python3 "$here/make_other_formats.py" normalise "$f"
done
cp out/*.xlsx out/*.ods out/*.csv "$here/"
/usr/bin/python3 "$here/make_other_formats.py" "$here"
