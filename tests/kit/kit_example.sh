#!/usr/bin/env bash
# The UI module kit as a module team uses it: `cmake --install` into a fresh prefix, then the
# stand-alone example (examples/ui-module) configured with nothing but CMAKE_PREFIX_PATH (and
# the toolchain file for Windows), built without a warning, and run under the installed
# launcher: its window shown, the timer counting, F5 taken in DLLPreTranslateMessage, the Close
# button ending the launcher with exit code 0. Configuring against a kit of another compiler, or
# with runtime flags of its own, must fail with both sides named.
#
# Usage: kit_example.sh <build folder> <source folder> <work folder> [<toolchain file>]
#   Without a toolchain file the host build is checked through the script front end; with one,
#   the Windows build under wine, driven from outside (run it through scripts/wine-run.sh --host).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/check.sh"
build=$(realpath "$1") source_dir=$(realpath "$2") work=$(realpath -m "$3") toolchain=${4:-}
example="$source_dir/examples/ui-module"
rm -rf "$work" && mkdir -p "$work"
kit="$work/kit"

echo "== the kit installed into a fresh prefix"
check "cmake --install puts the kit in the prefix" cmake --install "$build" --prefix "$kit" --component kit
check "the kit carries the package, the runtime, the launcher and the module header" \
  test -f "$kit/lib/cmake/VantPlusUIKit/VantPlusUIKitConfig.cmake" -a -f "$kit/include/vantplus/ui_module.h" \
  -a -f "$kit/include/framework/framework.h" -a -e "$kit/bin/VantPro${toolchain:+.exe}"
check "the kit leaves out the window model's internals and every test program" \
  bash -c "! find '$kit' -name ui_model.h -o -name '*_tests*' -o -name machine.h | grep -q ."

if [ -n "$toolchain" ]; then
  # The zip of the kit, named with version and architecture, holds what the install put in the prefix.
  check "cpack zips the kit" cpack --config "$build/CPackConfig.cmake" -B "$work/packages"
  # The architecture as the kit records its compiler's target ("GNU 12, x86_64-w64-mingw32, ...").
  arch=$(sed -n 's/^set(VantPlusUIKit_COMPILER "[^,]*, \([a-z0-9_]*\)-.*/\1/p' "$kit/lib/cmake/VantPlusUIKit/VantPlusUIKitConfig.cmake")
  zip=$(ls "$work/packages"/VantPlusUIKit-*-windows-"$arch".zip 2>/dev/null | head -n 1)
  check "the zip is named VantPlusUIKit-<version>-windows-$arch.zip" \
    bash -c "ls '$work/packages' | grep -qxE 'VantPlusUIKit-[0-9]+\.[0-9]+\.[0-9]+-windows-$arch\.zip'"
  check "the zip holds the installed kit, file for file" python3 - "$zip" "$kit" <<'EOF_PY'
import os, sys, zipfile
names = {n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/")}
files = {os.path.relpath(os.path.join(d, f), sys.argv[2]) for d, _, fs in os.walk(sys.argv[2]) for f in fs}
sys.exit(0 if names == files else f"only in the zip: {sorted(names - files)}; only installed: {sorted(files - names)}")
EOF_PY
fi

configure() {  # <binary folder> <kit prefix> [cmake options...]; $use_toolchain replaces the toolchain file
  local binary=$1 prefix=$2 file=${use_toolchain:-$toolchain}; shift 2
  cmake -S "$example" -B "$binary" -DCMAKE_PREFIX_PATH="$prefix" ${file:+-DCMAKE_TOOLCHAIN_FILE="$file"} "$@"
}
# <what> <log> <pattern>...: the log (of a configure or build that failed) holds every pattern.
refused() {
  local what=$1 log=$2; shift 2
  local pattern out
  out=$(tr -s ' \n' ' ' <"$log")  # CMake wraps its messages
  for pattern in "$@"; do
    grep -qF -- "$pattern" <<<"$out" || { e2e_result "$what" 1 "no \"$pattern\" in: $(tail -c 1500 "$log")"; return; }
  done
  e2e_result "$what" 0 ""
}

echo "== the example built against it"
module="$work/example/VantPlusUI.dll"
check "the example configures with only the kit's prefix" configure "$work/example" "$kit"
build_log="$work/example-build.log"
check "the example builds" bash -c "cmake --build '$work/example' >'$build_log' 2>&1"
check "the build prints no warning" bash -c "! grep -i warning '$build_log'"
check "the module is VantPlusUI.dll" test -f "$module"

echo "== a module without all four exports"
# A module of one export: its build must fail and name the three it lacks.
mkdir -p "$work/partial-source"
cat >"$work/partial-source/CMakeLists.txt" <<'EOF_CMAKE'
cmake_minimum_required(VERSION 3.19)
project(PartialModule LANGUAGES CXX)
find_package(VantPlusUIKit CONFIG REQUIRED)
vantplus_add_ui_module(partial partial.cpp)
EOF_CMAKE
cat >"$work/partial-source/partial.cpp" <<'EOF_CPP'
#include "vantplus/ui_module.h"
VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int, CWnd*) { return nullptr; }
EOF_CPP
cmake -S "$work/partial-source" -B "$work/partial" -DCMAKE_PREFIX_PATH="$kit" \
  ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >"$work/partial.log" 2>&1 &&
  ! cmake --build "$work/partial" >>"$work/partial.log" 2>&1
e2e_result "the build of a module lacking exports fails" $? "$(tail -n 15 "$work/partial.log")"
refused "the failure names the missing exports" "$work/partial.log" \
  "does not export DLLPreTranslateMessage, DLLExitInstance, DLLGetDumpPath"

echo "== a module's runtime flags or compiler other than the kit's"
kit_runtime=$(sed -n 's/^set(VantPlusUIKit_RUNTIME "\(.*\)")$/\1/p' "$kit/lib/cmake/VantPlusUIKit/VantPlusUIKitConfig.cmake")
kit_compiler=$(sed -n 's/^set(VantPlusUIKit_COMPILER "\(.*\)")$/\1/p' "$kit/lib/cmake/VantPlusUIKit/VantPlusUIKitConfig.cmake")
if [ -n "$toolchain" ]; then other_flag=-shared-libgcc other_gcc="libgcc shared"
else other_flag=-static-libstdc++ other_gcc="libstdc++ static"; fi
configure "$work/other-flags" "$kit" -DCMAKE_MODULE_LINKER_FLAGS="$other_flag" >"$work/other-flags.log" 2>&1
refused "runtime flags ($other_flag) of the module's own are refused, naming both runtimes" \
  "$work/other-flags.log" "($other_flag)" "$other_gcc" "the kit's runtime is \"$kit_runtime\""

# A kit made by another compiler: this kit's record says so.
cp -r "$kit" "$work/kit-other-compiler"
sed -i 's/^set(VantPlusUIKit_COMPILER "GNU [0-9]*/set(VantPlusUIKit_COMPILER "GNU 99/' \
  "$work/kit-other-compiler/lib/cmake/VantPlusUIKit/VantPlusUIKitConfig.cmake"
configure "$work/other-kit" "$work/kit-other-compiler" >"$work/other-kit.log" 2>&1
refused "a kit of another compiler version is refused, naming both compilers" \
  "$work/other-kit.log" "$kit_compiler" "(GNU 99," "is not the kit's"
# And a real other compiler where there is one: mingw-w64's win32 thread model, or clang.
if [ -n "$toolchain" ]; then
  other_compiler=$(command -v "$(sed 's/^[^,]*, \([^,]*\),.*/\1/' <<<"$kit_compiler")-g++-win32")
  # The toolchain file names its compiler: a file of its own names the other one.
  printf 'include(%s)\nset(CMAKE_CXX_COMPILER %s)\n' "$toolchain" "$other_compiler" >"$work/win32-threads.cmake"
  other_toolchain="$work/win32-threads.cmake" other=()
else
  other_compiler=$(command -v clang++)
  other_toolchain="" other=(-DCMAKE_CXX_COMPILER="$other_compiler")
fi
if [ -n "$other_compiler" ]; then
  use_toolchain=$other_toolchain configure "$work/other-compiler" "$kit" "${other[@]}" >"$work/other-compiler.log" 2>&1
  refused "the module built with $(basename "$other_compiler") is refused, naming both compilers" \
    "$work/other-compiler.log" "$other_compiler:" "is not the kit's ($kit_compiler)"
fi

echo "== the module under the installed launcher"
if [ -z "$toolchain" ]; then
  # The terminal's folder: the launcher under a terminal name, the runtime and the module.
  terminal="$work/terminal"
  mkdir -p "$terminal"
  cp "$kit/bin/VantPro" "$terminal/VANTPlusTWS.exe"
  cp "$kit/lib/libvp_framework.so" "$module" "$terminal/"
  export VP_MACHINE_ROOT="$work/machine"
  code=0
  report=$(cd "$terminal" && printf 'tick 1000\ntick 1000\nkey f5\nclick 1003\nclick 2\n' |
        VP_UI=script timeout 60 ./VANTPlusTWS.exe 2>&1) || code=$?
  echo "$report" | sed 's/^/   | /'
  has() { grep -qxF -- "$1" <<<"$report"; }
  check "the module's main window is shown with its controls" has "dialog 100 Ticker Module"
  check "the Refresh button is one of them" has "control 1003 button &Refresh"
  check "the timer counts" has "text 1001 Ticks: 2"
  check "F5 reaches DLLPreTranslateMessage" has "text 1002 Refreshed by F5"
  check "the Refresh button works" has "text 1002 Refreshed by the button"
  check "Close destroys the window" has "destroy 100"
  check "the launcher ends with exit code 0" test "$code" = 0
else
  source "$here/../e2e/wine_session.sh"
  folder="$c/Ticker"
  mkdir -p "$folder"
  cp "$kit/bin/VantPro.exe" "$folder/VANTPlusTWS.exe"
  cp "$kit/bin/vp_framework.dll" "$module" "$folder/"
  use_automation "$build"
  # Whichever wine program starts the session's processes (the desktop) hands them its output:
  # the automation's output goes through a file, never the pipe a check reads, which such a
  # process would hold open; each call has a deadline of its own.
  auto() {
    local output status=0
    output=$(mktemp)
    timeout 90 "$wine" 'C:\vp_ui_automation.exe' "$@" >"$output" 2>&1 || status=$?
    cat "$output"; rm -f "$output"
    return $status
  }
  title="Ticker Module"
  export wine title
  export -f auto
  (cd "$folder" && exec timeout 120 "$wine" 'C:\Ticker\VANTPlusTWS.exe' >"$work/launcher.log" 2>&1) &
  terminal=$!
  check "the module's main window is shown" auto wait "$title" 60000
  check "the Refresh button is one of its controls" bash -c 'auto wait "$title" 1000 | grep -q "&Refresh"'
  wait_for "the timer counts" 20 bash -c 'auto text "$title" 1001 | grep -q "Ticks: [1-9]"'
  check "F5 is pressed in the window" auto key "$title" f5
  wait_for "F5 reaches DLLPreTranslateMessage" 10 bash -c 'auto text "$title" 1002 | grep -q "Refreshed by F5"'
  check "the Close button is clicked" auto click "$title" 2
  code=0
  wait "$terminal" || code=$?
  check "the launcher ends with exit code 0" test "$code" = 0
fi
checks_done
