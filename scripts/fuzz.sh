#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour checks) into build-fuzz and runs
# each for a bounded time: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]. Each target starts from seeds
# that it makes from the program's own output, from the inputs of longer runs kept in fuzz/corpus/TARGET,
# and from what it learnt before in build-fuzz/corpus/TARGET, where it keeps what it learns now. A crash
# leaves its input in build-fuzz/crashes/ and fails the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_payload_reader fuzz_message_block fuzz_cry_file fuzz_hidden_name fuzz_settings fuzz_image_load)
fi
build_dir=$(realpath -m "${FUZZ_BUILD_DIR:-$root/build-fuzz}")
jobs=${FUZZ_JOBS:-$(nproc)}

"$root/scripts/setup.sh"
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true
generator=()
if command -v ninja >/dev/null 2>&1 && [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
  generator=(-G Ninja)
fi
cmake -S "$root" -B "$build_dir" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DVEILPANE_FUZZ=ON -DVEILPANE_WERROR=ON -DVEILPANE_BUILD_TESTS=OFF -DVEILPANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel "$jobs" --target "${targets[@]}"

# The targets write their files in memory (a .cry output is flushed to disk, which a real disk makes slow)
# and run inside that scratch folder, away from the checkout.
scratch=$(mktemp -d "${FUZZ_TMPDIR:-/dev/shm}/veilpane-fuzz.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$scratch"

declare -A max_len=([fuzz_payload_reader]=4096 [fuzz_message_block]=4096 [fuzz_cry_file]=8192
  [fuzz_hidden_name]=96 [fuzz_settings]=4096 [fuzz_image_load]=65536)
status=0
mkdir -p "$build_dir/crashes"
for target in "${targets[@]}"; do
  corpus="$build_dir/corpus/$target"
  seeds="$scratch/seeds-$target"
  mkdir -p "$corpus"
  VEILPANE_FUZZ_SEEDS="$seeds" "$build_dir/bin/$target"
  log="$build_dir/$target.log"
  echo "== $target: ${seconds}s"
  committed=()
  [[ -d "$root/fuzz/corpus/$target" ]] && committed=("$root/fuzz/corpus/$target")
  if "$build_dir/bin/$target" "$corpus" "$seeds" "${committed[@]}" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
      -rss_limit_mb=2560 -timeout=20 -print_final_stats=1 -artifact_prefix="$build_dir/crashes/$target-" \
      >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec' "$log" || true
  else
    echo "$target FAILED (log: $log)"
    tail -40 "$log"
    status=1
  fi
done
exit $status
