#!/usr/bin/env bash
# Fails when a source file includes a header of a layer it may not reach: one above it, or one beside it.
# The layers and what each may include (besides itself), lowest first. src/CMakeLists.txt links the same way.
# The widget layers are the only ones that may include Qt Widgets or Qt Print Support headers, and crypto the
# only one that includes Crypto++.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$root/src}

declare -A below=(
  [platform]=""
  [crypto]="platform"
  [stego]="crypto platform"
  [image]="stego crypto platform"
  [doc]="image stego crypto platform"
  [cli]="doc image stego crypto platform"
  [platform/qt]="platform"
  [browse]="platform/qt doc image stego crypto platform"
  [app]="browse platform/qt doc image stego crypto platform"
)
declare -A widgets=([platform/qt]=1 [browse]=1 [app]=1)

# The class headers of Qt Widgets and Qt Print Support (QWidget, QDialog, ...), read from the installed Qt
# so that a new class needs no list kept by hand; the module headers themselves are named too.
widget_headers=$(
  for dir in /usr/include/*/qt6/QtWidgets /usr/include/*/qt6/QtPrintSupport /usr/include/qt6/QtWidgets \
      /usr/include/qt6/QtPrintSupport; do
    [[ -d $dir ]] && ls "$dir" | grep -E '^Q[A-Za-z]+$' || true
  done | sort -u)
widget_pattern="^(QtWidgets|QtPrintSupport)(/.*)?\$"
if [[ -n $widget_headers ]]; then
  widget_pattern="^(QtWidgets|QtPrintSupport)(/.*)?\$|^($(echo "$widget_headers" | paste -sd '|'))\$"
fi

# The layer of a path below src: platform/qt before platform.
layer_of() {
  case $1 in
    platform/qt/*) echo platform/qt ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

failures=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  layer=$(layer_of "$rel")
  if [[ -z ${below[$layer]+set} ]]; then
    echo "$rel: in no declared layer (add its folder to scripts/check-layers.sh)"
    failures=$((failures + 1))
    continue
  fi
  allowed=" $layer ${below[$layer]} "
  while IFS=: read -r line text; do
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      target=$(layer_of "${BASH_REMATCH[1]}")
      if [[ -n $target && $allowed != *" $target "* ]]; then
        echo "$rel:$line: layer '$layer' includes \"${BASH_REMATCH[1]}\" of layer '$target'"
        failures=$((failures + 1))
      fi
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
      header=${BASH_REMATCH[1]}
      if [[ -z ${widgets[$layer]+set} && $header =~ $widget_pattern ]]; then
        echo "$rel:$line: layer '$layer' has no widgets but includes <$header>"
        failures=$((failures + 1))
      elif [[ $layer != crypto && $header == cryptopp/* ]]; then
        echo "$rel:$line: only crypto calls Crypto++, but layer '$layer' includes <$header>"
        failures=$((failures + 1))
      fi
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -mindepth 2 \( -name '*.cpp' -o -name '*.h' \) | sort)

if ((failures > 0)); then
  echo "Layer check: $failures include(s) against the declared order"
  exit 1
fi
echo "Layer check: every include points down"
