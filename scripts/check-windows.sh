#!/usr/bin/env bash
# Compiles the toolkit-free code of both programs as a Windows build would, without linking:
# the calendar's platform layer (its Windows files) and data core, the shared text library and the
# installer's core. Where a file comes as a _posix/_windows pair, the Windows one is compiled.
# Third-party headers (SQLite, libical, ICU, xxHash, expat, curl) come from the system's own include folders,
# searched after MinGW's so that its C library and Windows headers win.
# Exit status: 0 when every file compiles, 1 when one does not, 77 (skipped) without the compiler.
set -uo pipefail
cd "$(dirname "$0")/.."

compiler=${MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "SKIP: $compiler is not installed (Debian package g++-mingw-w64-x86-64-posix)"
  exit 77
fi

# curl keeps its headers in the multiarch folder.
multiarch=$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)

sources=()
for file in calendar/platform/*.cpp calendar/data/*.cpp common/text/*.cpp installer/core/*.cpp; do
  case $file in
    *_posix.cpp) [ -e "${file%_posix.cpp}_windows.cpp" ] && continue ;;
  esac
  sources+=("$file")
done

failed=0
for file in "${sources[@]}"; do
  if ! "$compiler" -std=c++20 -fsyntax-only -Icalendar -Icommon -Iinstaller -idirafter /usr/include -idirafter "/usr/include/$multiarch" "$file"; then
    echo "FAILED: $file"
    failed=$((failed + 1))
  fi
done
echo "$((${#sources[@]} - failed)) of ${#sources[@]} sources compile for Windows"
[ "$failed" -eq 0 ]
