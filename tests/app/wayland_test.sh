#!/bin/sh
# The window on Qt's Wayland platform under a headless weston: start, scans, drops, exports,
# input during work and cancel, as the window tests named below check them. Skipped (77) with
# the reason where weston, Qt's Wayland platform or the compositor cannot start.
# Usage: wayland_test.sh WINDOW_TESTS
tests=$1
filter='Application.FoldersOnTheCommandLineAreScannedAsOneDrop:MainWindow.ShowsIts*:MainWindow.OpenFolderScans*:MainWindow.DroppedFolders*:MainWindow.DropsAreTaken*:MainWindow.EachExportMenuItem*:MainWindow.InputMadeDuringAScan*:MainWindow.CancelStops*'

command -v weston >/dev/null 2>&1 || { echo "SKIP: weston is not installed"; exit 77; }
runtime=$(mktemp -d) || exit 1
chmod 700 "$runtime"
weston_pid=
cleanup() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=nullsweep-test \
    --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
tries=0
while [ ! -S "$runtime/nullsweep-test" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$weston_pid" 2>/dev/null; then
        echo "SKIP: weston did not start:"; cat "$runtime/weston.log"; exit 77
    fi
    sleep 0.1
done

XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=nullsweep-test QT_QPA_PLATFORM=wayland \
    "$tests" --gtest_filter="$filter" >"$runtime/tests.log" 2>&1
status=$?
cat "$runtime/tests.log"
if grep -q 'Could not find the Qt platform plugin "wayland"' "$runtime/tests.log"; then
    echo "SKIP: Qt's Wayland platform (qt6-wayland) is not installed"; exit 77
fi
# Every named test ran on Wayland, none was filtered away by a rename.
grep -q '^\[  PASSED  \] 8 tests' "$runtime/tests.log" || status=1
exit $status
