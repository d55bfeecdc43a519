#!/usr/bin/env bash
# The unit tests once more, in a second tree built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Any report fails the step, also one from a child process whose test
# passed: AddressSanitizer writes each report to a file of its own, and none may be left;
# UndefinedBehaviorSanitizer (which GCC lets write to the error output only) ends the process, and
# no test's output may hold its report. Only leaks inside system libraries are suppressed
# (.ci/sanitize-leaks.supp); nothing of ours is.
set -euo pipefail
cd "$(dirname "$0")/../.."

# The sanitizer runtimes come with GCC; a machine without them gets them the way build.sh installs.
./build.sh install libasan8 libubsan1

tree=build-sanitize
jobs="${JOBS:-$(nproc)}"
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null

reports="$PWD/$tree/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Also for the test programs run while building, which list their tests.
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/.ci/sanitize-leaks.supp:print_suppressions=0"

cmake --build "$tree" -j "$jobs"
status=0
# In this tree a library stays loaded after dlclose (the instrumented multimedia library binds
# symbols to the capture library), so the tests that load and unload it twice are left to the main tree.
skip='LibraryLifetime\.(LoadMarksTheFileType|RefusesAWorkingFolder)'
(cd "$tree" && QT_QPA_PLATFORM=offscreen ctest -L unit -E "$skip" --output-on-failure -j "$jobs" --timeout 900) ||
  status=$?
# ctest keeps every test's whole output there, passed or not.
log="$PWD/$tree/Testing/Temporary/LastTest.log"
if grep -E "runtime error:|ERROR: (Address|Leak)Sanitizer" "$log"; then
  echo "Sanitizer reports in the tests' output (above; the whole output in $log)."
  status=1
fi

shopt -s nullglob
found=("$reports"/*)
if [ ${#found[@]} -gt 0 ]; then
  echo "Sanitizer reports:"
  for f in "${found[@]}"; do
    echo "== $f"
    cat "$f"
  done
  status=1
fi
exit "$status"
