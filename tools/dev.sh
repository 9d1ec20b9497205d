#!/usr/bin/env bash
# Kalvane's one entry point for a fresh Debian machine:
#   tools/dev.sh run    install what is missing, build, and run kalvane-cli
#   tools/dev.sh test   install what is missing, build, and run the whole suite: the layer
#                       check, the normal build, the sanitizer build (ASan + UBSan), the fuzz
#                       targets and the formatting check
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
  librsvg2-bin
)

log() { printf '\n== %s\n' "$*"; }

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

run_suite() {
  local dir=$1
  log "testing $dir"
  ctest --test-dir "$root/$dir" -j "$jobs" --output-on-failure
}

run_fuzzers() {
  build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALVANE_FUZZ=ON -DKALVANE_SANITIZE=ON -DKALVANE_BENCHMARKS=OFF
  for fuzzer in "$root"/build-fuzz/tests/fuzz/fuzz_*; do
    [[ -x $fuzzer && $fuzzer != *_replay ]] || continue
    local name corpus
    name=$(basename "$fuzzer")
    corpus="$root/tests/fuzz/corpus/${name#fuzz_}"
    log "fuzzing $name for ${fuzz_seconds}s"
    local work dict=()
    work=$(mktemp -d)
    if [ -f "$root/tests/fuzz/${name#fuzz_}.dict" ]; then
      dict=(-dict="$root/tests/fuzz/${name#fuzz_}.dict")
    fi
    "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -print_final_stats=1 \
      "${dict[@]}" -artifact_prefix="$root/build-fuzz/" "$work" "$corpus" 2>&1 | tail -n 12
    rm -rf "$work"
  done
}

case "${1:-}" in
  run)
    shift
    install_missing
    build build
    log "kalvane-cli ${*:---help}"
    if [ $# -eq 0 ]; then set -- --help; fi
    "$root/build/src/kalvane-cli" "$@"
    ;;
  test)
    install_missing
    log "checking the layers"
    tools/check_layers.sh
    build build
    run_suite build
    build build-asan -DKALVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DKALVANE_BENCHMARKS=OFF
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      run_suite build-asan
    run_fuzzers
    log "checking the formatting"
    cmake --build "$root/build" --target format-check
    log "all checks passed"
    ;;
  *)
    echo "usage: tools/dev.sh run [kalvane-cli arguments] | tools/dev.sh test" >&2
    exit 2
    ;;
esac
