#!/bin/sh
# Runs every fuzz target (or those named) for a given time each.
#   run.sh FUZZ_BUILD_DIR SECONDS [TARGET...]
# New inputs go to FUZZ_BUILD_DIR/corpus/TARGET, the seeds in the repository
# stay as they are; a failing input is saved in FUZZ_BUILD_DIR/artifacts/.
set -eu
build=$(cd "$1" && pwd)
seconds=$2
shift 2
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
targets=${*:-fuzz_expression fuzz_format fuzz_command_line fuzz_tool fuzz_portable_math}

# Longest input per target: formulas of a few hundred characters, a double,
# a day number and a code, command lines of a few hundred units, and tool
# definitions with sixteen inputs and outputs.
max_len() {
    case $1 in
    fuzz_expression) echo 1024 ;;
    fuzz_format | fuzz_portable_math) echo 64 ;;
    fuzz_command_line) echo 4096 ;;
    *) echo 8192 ;;
    esac
}

mkdir -p "$build/artifacts"
for target in $targets; do
    mkdir -p "$build/corpus/$target"
    echo "== $target: $seconds s"
    "$build/$target" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "$seeds/$target" >"$build/$target.log" 2>&1 || {
        tail -n 40 "$build/$target.log"
        echo "$target failed; the input is in $build/artifacts/" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log"
done
