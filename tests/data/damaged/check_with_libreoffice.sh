#!/usr/bin/env bash
# Opens each workbook of verdicts.tsv in LibreOffice headless (a sheet turned into CSV) and says
# where LibreOffice's verdict is not the one the table keeps. Needs libreoffice-calc; not run in
# CI. Exit status 1 when a verdict differs.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
while IFS=$'\t' read -r file kept _; do
  [[ -z "$file" || "$file" == \#* ]] && continue
  soffice -env:UserInstallation="file://$work/profile" --headless --convert-to csv \
    --outdir "$work" "$file" > "$work/log" 2>&1 || true
  seen=refuses
  [ -f "$work/${file%.xlsx}.csv" ] && seen=opens
  if [ "$seen" = "$kept" ]; then
    echo "$file: LibreOffice $seen it, as kept"
  else
    echo "$file: LibreOffice $seen it, but the table says it $kept it"
    status=1
  fi
done < verdicts.tsv
exit "$status"
