#!/usr/bin/env bash
# Remakes the pictures of the user manual (docs/manual/images/) from the window
# itself, with the sample flight examples/20251014-1130 open, so that the manual
# shows the window as it is after every change to it.
#
#   bash scripts/manual-shots.sh [BUILD_DIR]      (BUILD_DIR: build when not given)
#
# The pictures come from BUILD_DIR/tools/devirarav_window_shots, or from the
# program that SHOTS_TOOL names:
#
#   SHOTS_TOOL=/path/to/devirarav_window_shots bash scripts/manual-shots.sh
#
# Where pngquant and optipng are installed the pictures are made smaller with
# them; without them they are copied as the window gave them.
set -euo pipefail

caller="$PWD"
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build="${1:-build}"
case "$build" in
  /*) ;;
  *) if [[ -d "$caller/$build" ]]; then build="$caller/$build"; else build="$top/$build"; fi ;;
esac
tool="${SHOTS_TOOL:-$build/tools/devirarav_window_shots}"
if [[ ! -x "$tool" ]]; then
  echo "manual-shots: no picture program at $tool (build it, or name it in SHOTS_TOOL)" >&2
  exit 2
fi

flight="$top/examples/20251014-1130"
images="$top/docs/manual/images"
size="1280x800"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

# One run of the picture program: every page with each listing in front, into
# $work/NAME. The window is drawn without a screen; its messages go to a log.
shots() {
  local name="$1"
  shift
  if ! QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
      "$tool" "$flight" "$work/$name" "$@" "$size" >"$work/$name.log" 2>&1; then
    echo "manual-shots: $tool failed:" >&2
    cat "$work/$name.log" >&2
    exit 1
  fi
}

# The flight as opened; the same after a stretch of each file was excluded and
# another left selected (the band, the excluded colours, the trajectory's
# highlight); and the flight as opened with "Проверка" on.
shots plain
shots edit edit
shots check check

# Picture of the manual <- run/picture of the program (window-N: page N of the
# left page control with the CRD listing in front, window-N-tu: with the TU one).
# Pages: 0 Начальные данные, 1 Координаты, 2 Траектория, 3 Телеметрия, 4 Ветер,
# 5 Диаграмма, 6 Уровни.
pictures=(
  "info-page.png      plain/window-0.png"
  "coordinates.png    edit/window-1.png"
  "trajectory.png     edit/window-2.png"
  "telemetry.png      edit/window-3-tu.png"
  "wind.png           edit/window-4.png"
  "diagram.png        edit/window-5-tu.png"
  "levels.png         edit/window-6.png"
  "check-panel.png    check/window-1.png"
)

mkdir -p "$images"
for line in "${pictures[@]}"; do
  read -r target source <<<"$line"
  if [[ ! -s "$work/$source" ]]; then
    echo "manual-shots: the program made no $source" >&2
    exit 1
  fi
  out="$work/$target"
  cp "$work/$source" "$out"
  if command -v pngquant >/dev/null 2>&1; then
    # 256 colours are plenty for a window; kept as it was when that is no smaller.
    pngquant --force --strip --speed 1 --quality 70-100 --skip-if-larger --output "$out.q" -- "$out" || true
    if [[ -s "$out.q" ]]; then mv "$out.q" "$out"; fi
  fi
  if command -v optipng >/dev/null 2>&1; then
    optipng -quiet -o2 -strip all "$out"
  fi
  cp "$out" "$images/$target"
  echo "$images/$target"
done
