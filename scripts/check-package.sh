#!/usr/bin/env bash
# Installs TarnVelloc into a temporary prefix and builds tests/package/consumer.cpp against it
# with the README's snippets exactly as printed there ("Using TarnVelloc from a C++ program"):
# its CMakeLists.txt, which sets no C++ standard, and its pkg-config commands, run with PREFIX
# replaced and no LD_LIBRARY_PATH or PKG_CONFIG_PATH of the caller's; then builds it with the
# source tree as a subproject, again without a standard of its own. Each consumer creates the
# component, calls Init on the demo database and validates an alias. Also checks that the
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

cmake --install "$build" --prefix "$prefix" >/dev/null

for library in TarnVelloc tarn_automation tarn_erp; do
  readelf -d "$prefix/lib/lib$library.so" | grep -q "SONAME.*lib$library.so.1" ||
    fail "lib$library.so has no SONAME lib$library.so.1"
done
unexpected=$(cd "$prefix/include" && find . -type f | sort | grep -vxFf <(cd "$source/include" && find . -type f | sort) || true)
[[ -z $unexpected ]] || fail "installed headers that are not public: $unexpected"
[[ -x $prefix/bin/velloc ]] || fail "velloc was not installed"
"$prefix/bin/velloc" --help >/dev/null || fail "the installed velloc does not run"

# The first block of language LANG in the README's section on C++ programs.
readme_block() {
  local block
  block=$(awk -v fence="\`\`\`$1" '
    /^## / { inside = ($0 == "## Using TarnVelloc from a C++ program") }
    inside && !open && $0 == fence { open = 1; next }
    open && $0 == "```" { exit }
    open { print }' README.md)
  [[ -n $block ]] || fail "README.md: no $1 block under 'Using TarnVelloc from a C++ program'"
  printf '%s\n' "$block"
}

# The CMake snippet as a project of its own, configured as the README says.
mkdir "$work/readme_cmake"
readme_block cmake >"$work/readme_cmake/CMakeLists.txt"
cp tests/package/consumer.cpp "$work/readme_cmake/app.cpp"
cmake -S "$work/readme_cmake" -B "$work/readme_cmake/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/readme_cmake/build" -j "$(nproc)" >/dev/null
answer=$(cd "$work/readme_cmake" && env -u LD_LIBRARY_PATH build/app)
[[ $answer == "$expected" ]] || fail "README CMake consumer printed '$answer', expected '$expected'"
echo "package check: README CMake consumer: $answer"

# The pkg-config commands, run line by line in a folder holding app.cpp; each ./app prints.
mkdir "$work/readme_pkg_config"
readme_block sh | sed "s#PREFIX#$prefix#g" >"$work/readme_pkg_config/commands.sh"
cp tests/package/consumer.cpp "$work/readme_pkg_config/app.cpp"
answer=$(cd "$work/readme_pkg_config" &&
  env -u LD_LIBRARY_PATH -u PKG_CONFIG_PATH bash -euo pipefail commands.sh)
[[ $answer == "$expected"$'\n'"$expected" ]] ||
  fail "README pkg-config commands printed '$answer', expected '$expected' twice"
echo "package check: README pkg-config consumers (LD_LIBRARY_PATH, RPATH): ${answer//$'\n'/, }"

cmake -S tests/package/subproject -B "$work/subproject" -DTARN_SOURCE_DIR="$source" \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$work/subproject" -j "$(nproc)" >/dev/null
# Without LD_LIBRARY_PATH, so that it runs on the libraries built beside it, not the installed ones.
answer=$(env -u LD_LIBRARY_PATH "$work/subproject/consumer" "$work/subproject.db")
[[ $answer == "$expected" ]] || fail "subproject consumer printed '$answer', expected '$expected'"
echo "package check: subproject consumer: $answer"
