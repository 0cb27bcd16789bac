#!/usr/bin/env bash
# The house rules that the compiler does not check, over every C++ file of the project:
# inside the runtime, includes run downward (host; com; image, xfile, fx, glyphs; win32; d3d9
# and dinput8 beside it; d3dx9 on top), the runtime includes no program folder, and only
# runtime/d3d9 and the host call OpenGL (bench/reference aside, the plain-GL yardstick). Prints
# each breach; fails when there is one.
set -uo pipefail
cd "${1:-$(dirname "$0")/../..}"

rank() {
  case "$1" in
    host) echo 0 ;;
    com) echo 1 ;;
    image | xfile | fx | glyphs) echo 2 ;;
    win32) echo 3 ;;
    d3d9 | dinput8) echo 4 ;;
    d3dx9) echo 5 ;;
    *) echo -1 ;;
  esac
}

breaches=0
breach() {
  echo "$1"
  breaches=$((breaches + 1))
}

for file in $(git ls-files 'runtime/*.cpp' 'runtime/*.h'); do
  folder=$(echo "$file" | cut -d/ -f2)
  own=$(rank "$folder")
  while IFS= read -r included; do
    case "$included" in
      runtime/*)
        target=$(echo "$included" | cut -d/ -f2)
        [ "$target" = "$folder" ] && continue
        theirs=$(rank "$target")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -ge "$own" ]; then
          breach "$file includes $included: runtime/$target is not below runtime/$folder"
        fi
        ;;
      */*) breach "$file includes $included: the runtime knows nothing of the program" ;;
    esac
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done

# OpenGL calls (gl, a capital, a parenthesis) outside comments. bench/reference/ is left out:
# it is the demo frame drawn in plain OpenGL by hand, to weigh the runtime against.
for file in $(git ls-files '*.cpp' '*.h' | grep -v '^runtime/d3d9/\|^runtime/host/\|^tests/\|^bench/reference/'); do
  calls=$(grep -nE '(^|[^A-Za-z0-9_])gl[A-Z][A-Za-z0-9]*\(' "$file" | grep -vE '^[0-9]+:\s*//')
  [ -n "$calls" ] && breach "$file: OpenGL called outside runtime/d3d9, the host and the reference: $calls"
done

if [ "$breaches" -gt 0 ]; then
  echo "layout: $breaches breach(es)" >&2
  exit 1
fi
echo "layout: includes run downward; OpenGL is called only in runtime/d3d9, the host and bench/reference"
