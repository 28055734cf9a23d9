#!/usr/bin/env bash
# Checks that the system's includes run down the layers only, and prints the
# folder include graph (folder -> folders it includes).
#
# Layers, lowest first; each may include only folders before it:
#   platform < common < sm < protect < clientinfo < plugin < entry < module
# host/, tests/, bench/ and fuzz/ sit above all of them and are not checked;
# no system folder may include them. A platform header is included by its
# framework folder ("Foundation/NSString.h"), so every folder under
# platform/include counts as platform.
#
# Exit status 1 when a folder includes one of its own rank or higher.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(platform common sm protect clientinfo plugin entry module)
above=(host tests bench fuzz)

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
for folder in "${above[@]}"; do rank[$folder]=${#layers[@]}; done
for framework in platform/include/*/; do
  framework=$(basename "$framework")
  [[ -n ${rank[$framework]:-} ]] || rank[$framework]=platform
done

# The layer an include's first path component names, or nothing.
layer_of() {
  local first=$1
  local r=${rank[$first]:-}
  if [[ $r == platform ]]; then
    echo platform
  elif [[ -n $r ]]; then
    echo "$first"
  fi
}

status=0
for folder in "${layers[@]}"; do
  [[ -d $folder ]] || continue
  declare -A targets=()
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    path=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${rest#*:}")
    [[ $path == */* ]] || continue
    target=$(layer_of "${path%%/*}")
    [[ -n $target && $target != "$folder" ]] || continue
    targets[$target]=1
    if ((rank[$target] >= rank[$folder])); then
      echo "$file:$line: $folder includes $path from $target, which is not below it" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder" \
             --include='*.h' --include='*.hpp' --include='*.c' --include='*.cpp' \
             --include='*.cc' --include='*.mm' || true)
  # Print in layer order.
  list=()
  for candidate in "${layers[@]}" "${above[@]}"; do
    [[ -n ${targets[$candidate]:-} ]] && list+=("$candidate")
  done
  echo "$folder -> ${list[*]:-(nothing)}"
  unset targets
done

if ((status != 0)); then
  echo "check_layers: an include runs up the layers" >&2
else
  echo "check_layers: every include runs down the layers"
fi
exit $status
