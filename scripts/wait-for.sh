# Sourced by the test scripts.
# wait_for LIMIT COMMAND...: runs COMMAND every 0.2 s until it succeeds (status 0) or LIMIT
# seconds have passed (status 1).
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}
