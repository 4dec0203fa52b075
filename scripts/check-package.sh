#!/usr/bin/env bash
# Installs TarnVelloc into a temporary prefix and builds three small consumers of it: one through
# find_package, one through pkg-config, one with the source tree as a subproject. Each creates
# the component, calls Init on the demo database and validates an alias. Also checks that the
# libraries carry a SONAME and that only public headers were installed.
# Usage: check-package.sh BUILD-DIR (a configured and built tree of this repository).
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(realpath "$1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
expected="0 华东区"

fail() { echo "package check: $*" >&2; exit 1; }

run_consumer() {
  local name=$1 program=$2 answer
  answer=$(LD_LIBRARY_PATH=$prefix/lib "$program" "$work/$name.db")
  [[ $answer == "$expected" ]] || fail "$name consumer printed '$answer', expected '$expected'"
  echo "package check: $name consumer: $answer"
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for library in TarnVelloc tarn_automation tarn_erp; do
  readelf -d "$prefix/lib/lib$library.so" | grep -q "SONAME.*lib$library.so.1" ||
    fail "lib$library.so has no SONAME lib$library.so.1"
done
unexpected=$(cd "$prefix/include" && find . -type f | sort | grep -vxFf <(cd "$source/include" && find . -type f | sort) || true)
[[ -z $unexpected ]] || fail "installed headers that are not public: $unexpected"
[[ -x $prefix/bin/velloc ]] || fail "velloc was not installed"
"$prefix/bin/velloc" --help >/dev/null || fail "the installed velloc does not run"

cmake -S tests/package/find_package -B "$work/find_package" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/find_package" -j "$(nproc)" >/dev/null
run_consumer find_package "$work/find_package/consumer"

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
g++ -o "$work/pkg_config_consumer" tests/package/consumer.cpp \
  $(pkg-config --cflags --libs tarnvelloc tarnvelloc-erp)
run_consumer pkg_config "$work/pkg_config_consumer"

cmake -S tests/package/subproject -B "$work/subproject" -DTARN_SOURCE_DIR="$source" \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$work/subproject" -j "$(nproc)" >/dev/null
run_consumer subproject "$work/subproject/consumer"
