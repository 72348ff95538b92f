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

# write_firmware FOLDER SIZE...: random files FOLDER/partN.bin of the given sizes, each with
# its NAME.md5 (32 hex digits, no newline), as an upgrade folder holds them.
write_firmware() {
  local folder=$1
  shift
  mkdir -p "$folder"
  local i=0 size f
  for size in "$@"; do
    f="$folder/part$i.bin"
    head -c "$size" /dev/urandom >"$f"
    md5sum "$f" | cut -c1-32 | tr -d '\n' >"$f.md5"
    i=$((i + 1))
  done
}
