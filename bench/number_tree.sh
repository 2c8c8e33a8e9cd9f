#!/bin/sh
# number_tree.sh IN OUT: the awk yardstick over a whole tree. OUT becomes a copy of IN in
# which every module, class and form has been numbered by number_lines.awk, file by file.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cp -r "$1" "$2"
out=$(cd "$2" && pwd)
cd "$1"
find . -type f \( -name '*.bas' -o -name '*.cls' -o -name '*.frm' -o -name '*.ctl' \) |
  while IFS= read -r file; do
    awk -f "$here/number_lines.awk" "$file" >"$out/$file"
  done
