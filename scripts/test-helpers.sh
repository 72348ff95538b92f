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

# Under Wine, for the installers' tests: stand_in FOLDER STANDIN NAME... puts the program STANDIN
# in place of FOLDER/NAME.exe (the original kept as NAME.exe.zr40-saved), so that every command
# line the installers start it with is recorded in FOLDER/NAME-calls.txt; stand_in_env prints
# the WINEDLLOVERRIDES that makes Wine run the file rather than its own built-in NAME;
# calls_of FOLDER NAME prints the recorded lines and forgets them; restore FOLDER NAME... puts
# the originals back.
stand_in() {
  local folder=$1 standin=$2 name
  shift 2
  for name in "$@"; do
    [ -f "$folder/$name.exe.zr40-saved" ] || cp "$folder/$name.exe" "$folder/$name.exe.zr40-saved"
    cp "$standin" "$folder/$name.exe"
    rm -f "$folder/$name-calls.txt"
  done
}
stand_in_env() {
  local overrides=$WINEDLLOVERRIDES name
  for name in "$@"; do overrides+=";$name.exe=n"; done
  echo "$overrides"
}
calls_of() {
  [ ! -f "$1/$2-calls.txt" ] || tr -d '\r' <"$1/$2-calls.txt"
  rm -f "$1/$2-calls.txt"
}
restore() {
  local folder=$1 name
  shift
  for name in "$@"; do
    [ ! -f "$folder/$name.exe.zr40-saved" ] || mv -f "$folder/$name.exe.zr40-saved" "$folder/$name.exe"
    rm -f "$folder/$name-calls.txt"
  done
}
# count TEXT A B: how many lines of TEXT hold both fixed strings A and B
count() { grep -F -- "$2" <<<"$1" | grep -c -F -- "$3" || true; }
