#!/usr/bin/env bash
# Fails when a source under src/ includes a header of a layer above its own. The folders are
# layers: each may include its own headers and those of the layers it builds on, never the other
# way round, so a lower layer can be built, tested and changed without the ones above it.
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers a folder may include besides itself.
declare -A allowed=(
  [base]=""
  [settings]="base"
  [reader]="base settings"
  [typeset]="base settings reader"
  [options]="base settings"
  [markup]="base settings reader typeset"
  [document]="base settings reader typeset options"
  [render]="base settings reader typeset"
  [embedding]="base settings reader typeset markup options document render"
  [cli]="base settings reader typeset markup options document render embedding"
  [app]="base settings reader typeset markup options document render embedding"
)

status=0
while IFS= read -r file; do
  layer=${file#src/}
  layer=${layer%%/*}
  if [[ -z ${allowed[$layer]+set} ]]; then
    echo "$file: the folder '$layer' is not a known layer (add it to tools/check_layers.sh)"
    status=1
    continue
  fi
  while IFS= read -r included; do
    [[ $included == "$layer" ]] && continue
    if [[ " ${allowed[$layer]} " != *" $included "* ]]; then
      echo "$file: '$layer' includes a header of '$included'"
      status=1
    fi
  done < <(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z_]*\)/.*"|\1|p' "$file" | sort -u)
done < <(find src -mindepth 2 \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) | sort)

if [[ $status -eq 0 ]]; then
  echo "every include follows the layers"
fi
exit $status
