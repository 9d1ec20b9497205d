#!/usr/bin/env bash
# Kalvane's one entry point for a fresh Debian machine:
#   tools/dev.sh run    install what is missing, build the editor and start it (with no display:
#                       draw a sample equation with kalvane-cli and print the picture's path)
#   tools/dev.sh cli    install what is missing, build, and run kalvane-cli with the arguments
#   tools/dev.sh test   install what is missing, build, and run the whole suite: the layer
#                       check, the normal build, the sanitizer build (ASan + UBSan), the fuzz
#                       targets and the formatting check
#   tools/dev.sh fuzz   build the fuzz targets alone and run each of them
#   tools/dev.sh merge-corpus
#                       add what earlier fuzzing found to the committed corpus, minimised
# Environment: KALVANE_JOBS (parallel jobs, default: all cores), KALVANE_FUZZ_SECONDS (time per
# fuzz target, default 60).
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${KALVANE_JOBS:-$(nproc)}
fuzz_seconds=${KALVANE_FUZZ_SECONDS:-60}

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libgsf-1-dev python3-olefile
  libfreetype-dev libfontconfig-dev libcairo2-dev fonts-liberation2 fonts-urw-base35
  librsvg2-bin libwmf-bin libreoffice-draw libreoffice-writer libreoffice-math python3-uno
  qt6-base-dev libx11-dev xvfb xauth xdotool xclip x11-apps
  poppler-utils desktop-file-utils xdg-utils shared-mime-info libfile-mimeinfo-perl
  appstream libxml2-utils dpkg-dev
  # Node.js runs the markup test (MathJax and KaTeX, from bench/'s npm packages); npm comes with
  # the machine's Node.js package.
  nodejs
  # The documentation: WeasyPrint lays out its PDFs; python3-munkres stands in for the far
  # larger python3-scipy that WeasyPrint's fonttools would otherwise bring.
  weasyprint python3-munkres
)

# Each step is shown with the time since the start, so a slow step stands out in CI's log.
log() { printf '\n== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  log "building in $dir"
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

# The two programs alone, without the tests.
build_programs() {
  log "building the programs in build"
  cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
  cmake --build "$root/build" -j "$jobs" --target kalvane kalvane-cli
}

# bench/'s npm packages (MathJax and KaTeX), which the markup test hands kalvane-cli's markup to:
# installed when missing or older than the lock file.
install_node_packages() {
  local installed="$root/bench/node_modules/.package-lock.json"
  if [ ! -f "$installed" ] || [ "$root/bench/package-lock.json" -nt "$installed" ]; then
    log "installing bench/'s npm packages"
    (cd "$root/bench" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
}

run_suite() {
  local dir=$1
  log "testing $dir"
  ctest --test-dir "$root/$dir" -j "$jobs" --output-on-failure
}

build_fuzzers() {
  build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALVANE_FUZZ=ON -DKALVANE_SANITIZE=ON
}

# The fuzz targets of the fuzz build, by name (fuzz_NAME, from tests/fuzz/NAME_fuzz.cpp).
fuzz_names() {
  local fuzzer
  for fuzzer in "$root"/build-fuzz/tests/fuzz/fuzz_*; do
    [[ -x $fuzzer ]] && printf '%s\n' "${fuzzer##*/fuzz_}"
  done
  return 0
}

# fuzz_one NAME: fuzzes for $fuzz_seconds, starting from the committed corpus and from what runs
# in this checkout found before. New inputs go to build-fuzz/found/NAME, never into the committed
# corpus (merge-corpus adds the useful ones there); a crash leaves its input in build-fuzz/.
fuzz_one() {
  local name=$1 dict=()
  local found="$root/build-fuzz/found/$name"
  mkdir -p "$found"
  if [ -f "$root/tests/fuzz/$name.dict" ]; then
    dict=(-dict="$root/tests/fuzz/$name.dict")
  fi
  "$root/build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
    -print_final_stats=1 "${dict[@]}" -artifact_prefix="$root/build-fuzz/$name-" \
    "$found" "$root/tests/fuzz/corpus/$name"
}

# Runs every fuzz target, $jobs at a time (each is one process on one core), then shows how each
# ended; fails when any target found a crash.
run_fuzzers() {
  build_fuzzers
  local names name logs="$root/build-fuzz/logs" failed=()
  mapfile -t names < <(fuzz_names)
  log "fuzzing ${names[*]}: ${fuzz_seconds}s each, $jobs at a time"
  mkdir -p "$logs"
  for name in "${names[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    (
      status=0
      fuzz_one "$name" >"$logs/$name.log" 2>&1 || status=$?
      echo "$status" >"$logs/$name.status"
    ) &
  done
  wait
  for name in "${names[@]}"; do
    log "fuzz_$name"
    if [ "$(cat "$logs/$name.status")" -eq 0 ]; then
      grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^Done|^stat::' "$logs/$name.log" || true
    else
      tail -n 80 "$logs/$name.log"
      failed+=("$name")
    fi
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]} (inputs in build-fuzz/, logs in build-fuzz/logs/)" >&2
    return 1
  fi
}

# Adds to tests/fuzz/corpus/NAME the inputs found by earlier fuzzing (build-fuzz/found/NAME) that
# reach code the committed corpus does not; libFuzzer's merge keeps the fewest that cover it all
# and leaves the files already there alone. Coverage here means branches reached, not how often
# (-use_counters=0): counting hit counts too would keep thousands of near-copies per target, and a
# fuzzing run finds those again within seconds from the inputs that reach each branch.
merge_corpus() {
  local name
  for name in $(fuzz_names); do
    [ -d "$root/build-fuzz/found/$name" ] || continue
    log "merging what fuzz_$name found into tests/fuzz/corpus/$name"
    "$root/build-fuzz/tests/fuzz/fuzz_$name" -merge=1 -use_counters=0 -rss_limit_mb=2048 \
      "$root/tests/fuzz/corpus/$name" "$root/build-fuzz/found/$name" 2>&1 | tail -n 2
  done
}

case "${1:-}" in
  run)
    shift
    install_missing
    build_programs
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      sample="$root/build/sample.png"
      log "no display (DISPLAY and WAYLAND_DISPLAY are unset): drawing a sample equation instead"
      "$root/build/src/kalvane-cli" render 'x=(-b+-sqrt(b2-4ac))/2a' -o "$sample"
      echo "the picture: $sample"
    else
      log "starting the editor"
      "$root/build/src/kalvane" "$@"
    fi
    ;;
  cli)
    shift
    install_missing
    build_programs
    if [ $# -eq 0 ]; then set -- --help; fi
    "$root/build/src/kalvane-cli" "$@"
    ;;
  test)
    install_missing
    install_node_packages
    log "checking the layers"
    tools/check_layers.sh
    build build
    run_suite build
    # The offscreen platform hides what only a real display shows (window managers' sizes,
    # the X input path): the editor's tests run once more on a virtual X display.
    log "testing the editor on a virtual X display"
    # The lock keys' indicators are read from the X server: only this run tests them; the pop-ups
    # of the controls meet the X pointer and keyboard grabs here.
    for program in app_tests app_lock_keys_tests app_color_button_tests app_controls_demo_tests \
      app_options_sheet_tests app_embedding_tests; do
      QT_QPA_PLATFORM=xcb xvfb-run -a "$root/build/tests/$program"
    done
    build build-asan -DKALVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DKALVANE_BENCHMARKS=OFF
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      run_suite build-asan
    run_fuzzers
    log "checking the formatting"
    cmake --build "$root/build" --target format-check
    log "all checks passed"
    ;;
  fuzz)
    install_missing
    run_fuzzers
    ;;
  merge-corpus)
    merge_corpus
    ;;
  *)
    echo "usage: tools/dev.sh run [FILE.kv3] | cli [kalvane-cli arguments] | test | fuzz | merge-corpus" >&2
    exit 2
    ;;
esac
