#!/usr/bin/env bash
# Builds the Windows Installer package from zr40tool.wxs with wixl:
#   make-msi.sh OUT.msi VERSION PRODUCTCODE zr40tool.exe LANGUAGE-FOLDER
# wixl finds its sources only by relative paths, so they are given relative to OUT's folder.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: make-msi.sh OUT.msi VERSION PRODUCTCODE EXE LANGDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath -m "$1")
version=$2 code=$3
exe=$(realpath "$4")
langdir=$(realpath "$5")
cd "$(dirname "$out")"
rm -f "$out"
wixl -a x64 -D "Version=$version" -D "ProductCode=$code" \
  -D "Exe=$(realpath --relative-to=. "$exe")" \
  -D "LangDir=$(realpath --relative-to=. "$langdir")" \
  -D "Icon=$(realpath --relative-to=. "$here/zr40tool.ico")" \
  -o "$out" "$here/zr40tool.wxs"
