#!/usr/bin/env bash
# Every include of the project's own headers points down the layers (ARCHITECTURE.md): each folder may include its
# own headers and those of the folders listed for it, nothing else. The command line may include the pictures
# module's plain C interface, never the drawing code itself; nothing below the window includes a Qt header.
#   bash scripts/check-layers.sh        prints each include that points the wrong way; fails if there is one
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A below=(
  [platform]=""
  [device]="platform"
  [spectrum]=""
  [detector]="spectrum"
  [display]="detector spectrum device platform"
  [analysis]="display detector spectrum device platform"
  [cli]="analysis display detector spectrum device platform"
  [drawing]="platform"
  [views]="drawing analysis display detector spectrum device platform"
  [app]="views drawing analysis display detector spectrum device platform"
)
qt_free="platform device spectrum detector display analysis cli"

status=0
for folder in "${!below[@]}"; do
  allowed=" $folder ${below[$folder]} "
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%%/*}
    [ "$target" = "$include" ] && continue
    if [[ "$allowed" != *" $target "* ]] && ! [ "$folder/${include#*\"}" = 'cli/drawing/picture_api.h"' ]; then
      echo "$file:$line: $folder/ includes $target/ (${include#*#include })"
      status=1
    fi
  done < <(grep -rnH --include='*.h' --include='*.cpp' --include='*.inc' '^#include "[a-z_]*/' "$folder" || true)
done
for folder in $qt_free; do
  if grep -rnH --include='*.h' --include='*.cpp' -E '^#include <Q[A-Za-z]*>' "$folder"; then
    echo "$folder/ is below the window and includes Qt"
    status=1
  fi
done
[ $status -eq 0 ] && echo "every include points down"
exit $status
