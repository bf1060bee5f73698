# Shared by the end-to-end runs (sourced): named checks, waits on what a program prints or
# shows, and the closing count. Every wait has a deadline, so a run never hangs.
#
#   check <what> <command...>         passes when the command succeeds
#   wait_for <what> <seconds> <command...>
#                                      passes as soon as the command succeeds, fails at the deadline
#   wait_for_line <file> <pattern> <seconds>
#                                      true once a line of <file> matches (grep -E), false at the deadline
#   checks_done                        prints "checks: N passed, N failed"; its status is the result

e2e_passed=0
e2e_failed=0

e2e_result() {  # what, status, output of the failed command
  if [ "$2" = 0 ]; then
    e2e_passed=$((e2e_passed + 1)); echo "   ok   $1"
  else
    e2e_failed=$((e2e_failed + 1)); echo "   FAIL $1"
    [ -z "$3" ] || tail -n 15 <<<"$3" | sed 's/^/        | /'
  fi
}

check() {
  local what=$1 out status=0; shift
  out=$("$@" 2>&1) || status=$?
  e2e_result "$what" "$status" "$out"
}

wait_for() {
  local what=$1 seconds=$2 out status=1 deadline; shift 2
  deadline=$((SECONDS + seconds))
  while :; do
    status=0; out=$("$@" 2>&1) || status=$?
    [ "$status" != 0 ] && [ $SECONDS -lt $deadline ] || break
    sleep 0.2
  done
  [ "$status" = 0 ] || out="no success within ${seconds}s; last output:"$'\n'"$out"
  e2e_result "$what" "$status" "$out"
}

wait_for_line() {
  local file=$1 pattern=$2 deadline=$((SECONDS + $3))
  until grep -qE -- "$pattern" "$file" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

checks_done() {
  echo "checks: $e2e_passed passed, $e2e_failed failed"
  [ "$e2e_failed" = 0 ] && [ "$e2e_passed" -gt 0 ]
}
