#!/usr/bin/env bash
# Formats C++ sources with the tree's .clang-format.
#   tools/format.sh            every tracked .cpp/.h file
#   tools/format.sh FILE...    only these files
#   tools/format.sh --check    lists the files that would change and fails when there are any
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-clang-format}
command -v "$formatter" >/dev/null || { echo "format.sh: $formatter not found (tools/setup.sh installs it)" >&2; exit 2; }

check=0
if [[ ${1:-} == --check ]]; then
  check=1
  shift
fi
if (($#)); then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/')
fi

changed=0
for f in "${files[@]}"; do
  if ((check)); then
    if ! "$formatter" --style=file "$f" | cmp -s - "$f"; then
      echo "$f"
      changed=1
    fi
  else
    "$formatter" --style=file -i "$f"
  fi
done
exit $((check ? changed : 0))
