#!/usr/bin/env bash
# Sets everything up, checks the layout of changed C++ lines, builds with warnings as errors
# and runs every test headless; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer in a build of its own and runs the whole
# suite there too (MERAVEL_SANITIZERS=0 skips that second pass). The tests of the main
# database on a server run against a private PostgreSQL server started for the run (Unix
# socket only) and stopped at the end, whatever happens. Last comes the Windows pass
# (scripts/windows/test.sh: the cross build, the set-up program, and the suite under wine;
# MERAVEL_WINDOWS=0 skips it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${MERAVEL_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
bash "$here/scripts/check-format.sh"

# The Windows SDK, when neither cached nor handed in as an archive, builds (20-30 minutes)
# beside the Linux passes, at a lower priority; the Windows pass waits for it.
sdk_log=
sdk_pid=
if [ "${MERAVEL_WINDOWS:-1}" != 0 ]; then
  sdk_log=$(mktemp /tmp/meravel-winsdk.XXXXXX.log)
  setsid nice -n 5 bash "$here/scripts/windows/build.sh" --sdk-only >"$sdk_log" 2>&1 &
  sdk_pid=$!
fi

# Compilations are cached (ccache) under paths relative to the checkout, so a fresh clone in
# another folder reuses what an earlier run compiled.
export CCACHE_BASEDIR=$here
launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

pgdir=$(mktemp -d /tmp/meravel-pg.XXXXXX)
trap 'bash "$here/scripts/pg-test-server.sh" stop "$pgdir"; [ -z "$sdk_pid" ] || kill -- "-$sdk_pid" 2>/dev/null || true' EXIT
MERAVEL_TEST_PG_URL=$(bash "$here/scripts/pg-test-server.sh" start "$pgdir")
export MERAVEL_TEST_PG_URL
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERAVEL_WERROR=ON "${launcher[@]}" ${MERAVEL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@")

windows_pass() {
  [ "${MERAVEL_WINDOWS:-1}" = 0 ] && return 0
  if ! wait "$sdk_pid"; then
    cat "$sdk_log" >&2
    echo "The Windows SDK could not be built" >&2
    return 1
  fi
  MERAVEL_HOST_TOOLS_DIR=$build/tools bash "$here/scripts/windows/test.sh"
}

if [ "${MERAVEL_SANITIZERS:-1}" = 0 ]; then
  windows_pass
  exit 0
fi
# The fuzz targets are built with the sanitizers already and ran above, so this build leaves
# them out; their corpora are still replayed here. The benchmarks, built and never run by the
# first pass, are left out too.
san=${MERAVEL_SANITIZE_BUILD_DIR:-$here/build-asan}
cmake -S "$here" -B "$san" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERAVEL_SANITIZE=ON \
  -DMERAVEL_CLANG_FUZZER=OFF -DMERAVEL_BENCHMARKS=OFF "${launcher[@]}" ${MERAVEL_CMAKE_ARGS:-}
cmake --build "$san" -j"$(nproc)"
# Every report goes to a file of its own, so a report of a child process (meravel-cli,
# meravel-xls, the crash tests' children) fails the run even where the test that started the
# child tolerated its failure.
reports=$san/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan
asan_options=halt_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1

# A report file that says nothing about the program is set aside:
# - the crash tests kill their children with SIGKILL at chosen moments, and a child killed while
#   its leak check runs at exit leaves only the leak checker's note that it lost the dying thread;
# - the leak checker's own thread sometimes crashes while it stops the others at exit ("Tracer
#   caught signal 11"), a fault of the checker seen now and then on busy machines. The test whose
#   process it was fails for it, so when such a file is found the failed tests run once more.
# Prints how many files of the second kind it set aside.
set_aside_reports() {
  local f tracer=0
  for f in "$reports"/*; do
    [ -e "$f" ] || continue
    if ! grep -qvE '^==[0-9]+==Unable to get registers from thread [0-9]+\.$' "$f"; then
      echo "(set aside, a killed child's leak check: $(basename "$f"): $(cat "$f"))" >&2
      rm -f "$f"
    elif ! grep -qvE '^Tracer caught signal [0-9]+: .*$|^==[0-9]+==LeakSanitizer has encountered a fatal error\.$|^==[0-9]+==HINT: .*$' "$f"; then
      echo "(set aside, the leak checker's own crash: $(basename "$f"): $(cat "$f"))" >&2
      rm -f "$f"
      tracer=$((tracer + 1))
    fi
  done
  echo "$tracer"
}

# Runs ctest in the sanitized build with the given arguments; when it fails and the leak
# checker's own crash is among the reports, runs the failed tests once more.
sanitized_ctest() {
  local rc=0
  (cd "$san" && ASAN_OPTIONS=$asan_options:log_path=$reports/asan QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure "$@") || rc=$?
  [ $rc -ne 0 ] || return 0
  if [ "$(set_aside_reports)" -gt 0 ]; then
    echo "The leak checker crashed in a failed test; the failed tests run once more." >&2
    rc=0
    (cd "$san" && ASAN_OPTIONS=$asan_options:log_path=$reports/asan QT_QPA_PLATFORM=offscreen \
      ctest --output-on-failure --rerun-failed) || rc=$?
  fi
  return $rc
}

status=0
# The second runs on the server repeat code the first runs already took through the
# sanitizers; of them only the server's own test runs here (the seats test is not a twin).
# The install and package tests are left to the first pass: a package of sanitized programs,
# which link the sanitizers' run-times, is no package anyone installs.
sanitized_ctest -j"$(nproc)" -LE 'server-twin|install' "$@" || status=$?
sanitized_ctest -R '^test_server_pg$' "$@" || status=$?
set_aside_reports >/dev/null
if [ -n "$(ls -A "$reports")" ]; then
  for f in "$reports"/*; do echo "== $f"; cat "$f"; done
  echo "Sanitizer reports: see above." >&2
  exit 1
fi
[ $status -eq 0 ] || exit $status
unset UBSAN_OPTIONS
windows_pass
