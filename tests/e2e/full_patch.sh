# Sourced by the scripts that try the tool as a player would. full_patch
# FOLDER MAKE_STAND_IN TOOL...: puts a fresh stand-in game file in FOLDER,
# runs TOOL there with the answers 1920 x 1080, width offset check 1920 and
# Geneva, and checks every outcome: finished, a whole backup, each value and
# the font name in place, and no temporary left. Leaves the run's output and
# exit status in full_patch_output and full_patch_status.

full_patch_fail() {
  echo "$full_patch_label: $*" >&2
  return 1
}

# The two bytes at an offset, as hex.
full_patch_bytes() { od -An -tx1 -j"$2" -N2 "$1" | tr -d ' '; }

full_patch() {
  local folder=$1 make_stand_in=$2 original
  shift 2
  full_patch_label=${full_patch_name:-$folder}
  original=$(mktemp)
  "$make_stand_in" "$folder/Halvane.exe" && "$make_stand_in" "$original" || full_patch_fail "no stand-in" || return
  full_patch_output=$(printf '1920\n1080\n0\n0\n1920\nyyyq' | (cd "$folder" && setsid -w "$@"))
  full_patch_status=$?
  local output=$full_patch_output game=$folder/Halvane.exe
  cmp -s "$folder/Halvane.bak" "$original" || full_patch_fail "the backup is not the original: $output" || return
  rm -f "$original"
  [ ! -e "$folder/Halvane.bak.partial" ] || full_patch_fail "Halvane.bak.partial left behind" || return
  [ $full_patch_status = 0 ] || full_patch_fail "exit status $full_patch_status: $output" || return
  [[ $output == *'Ok, I think I finished.'* ]] || full_patch_fail "not finished: $output" || return
  [ "$(full_patch_bytes "$game" 735776)" = 3804 ] || full_patch_fail "large height" || return
  [ "$(full_patch_bytes "$game" 735781)" = 8007 ] || full_patch_fail "large width" || return
  [ "$(full_patch_bytes "$game" 735766)" = 8007 ] || full_patch_fail "width offset check" || return
  [ "$(dd if="$game" bs=1 skip=1491820 count=7 status=none | od -An -c | tr -s ' ')" = " G e n e v a \\0" ] ||
    full_patch_fail "font name" || return
  echo "$full_patch_label: patched, with a whole backup"
}
