#!/usr/bin/env bash
# scripts/ensure-packages.sh against a package manager that holds the dpkg lock: with the
# lock held it waits, says so, and gives up when its bound runs out; once the lock is
# released it goes on. The lock is held the way apt and dpkg hold it (an fcntl lock on
# /var/lib/dpkg/lock-frontend: flock would not stop them). Installs nothing; needs root.
# Exit 77 (skipped) where it cannot run.
set -euo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/ensure-packages.sh
lock=/var/lib/dpkg/lock-frontend
if [[ $(id -u) -ne 0 || ! -e $lock ]] || ! command -v apt-get python3 >/dev/null; then
  echo "skipped: needs root, apt and python3"
  exit 77
fi
work=$(mktemp -d)
holder=
release() {
  if [[ -n $holder ]]; then
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
  fi
  holder=
}
trap 'release; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Holds the lock until killed, and at most 60 s whatever happens to this test. Another
# package manager of the machine may hold it now: waits up to 60 s for it first.
hold_lock() {
  python3 -c '
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR)
for _ in range(600):
    try:
        fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        break
    except OSError:
        time.sleep(0.1)
else:
    sys.exit(1)
print("held", flush=True)
time.sleep(60)' "$lock" >"$work/held" &
  holder=$!
  for _ in $(seq 650); do
    [[ -s $work/held ]] && return 0
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
  done
  echo "FAIL: could not take $lock for the test in 60 s: another package manager holds it"
  exit 1
}

# 1. The lock stays held: the script waits its bound (2 s), says so, and fails.
hold_lock
start=$SECONDS
status=0
QUELMIRE_APT_LOCK_TIMEOUT=2 timeout 60 "$script" lock >"$work/out" 2>&1 || status=$?
elapsed=$((SECONDS - start))
((status != 0 && status != 124)) || fail "a lock held past the bound: status $status"
((elapsed >= 2)) || fail "gave up after $elapsed s, before its bound of 2 s"
grep -q "is held by process $holder (python3).*waiting up to 2 s" "$work/out" ||
  fail "did not say it was waiting: $(cat "$work/out")"
grep -q "still held by process $holder" "$work/out" ||
  fail "did not say the lock was still held: $(cat "$work/out")"

# 2. The lock is released while the script waits: it goes on and succeeds.
QUELMIRE_APT_LOCK_TIMEOUT=50 timeout 60 "$script" lock >"$work/out" 2>&1 &
waiting=$!
sleep 2
kill -0 "$waiting" 2>/dev/null || fail "did not wait for the held lock: $(cat "$work/out")"
release
status=0
wait "$waiting" || status=$?
((status == 0)) || fail "after the lock was released: status $status: $(cat "$work/out")"
grep -q "waiting up to 50 s" "$work/out" || fail "did not say it was waiting: $(cat "$work/out")"
grep -q "took and released the package lock" "$work/out" ||
  fail "did not go on once the lock was free: $(cat "$work/out")"

((failures == 0)) && echo "ensure-packages waits for a held lock, within its bound"
exit $((failures > 0))
