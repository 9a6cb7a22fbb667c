#!/usr/bin/env bash
# A full patch on the disks players keep the game on, each a small image
# mounted through FUSE as a desktop would: FAT (fusefat), exFAT (exfat-fuse,
# on a loop device) and NTFS (ntfs-3g); and an NTFS disk that Windows left
# hibernated, refused in Windows' terms. Needs root and /dev/fuse; where a disk
# cannot be mounted the test is skipped with the reason, except under CI,
# where a skip is a failure.
# Usage: fuse_disks.sh TOOL MAKE_STAND_IN
set -uo pipefail
tool=$1
make_stand_in=$2
source "$(dirname "$0")/full_patch.sh"

scratch=$(mktemp -d)
loop=""
clean_up() {
  for mount_point in "$scratch"/*/; do
    mountpoint -q "$mount_point" && umount "$mount_point"
  done
  [ -n "$loop" ] && losetup -d "$loop"
  rm -rf "$scratch"
}
trap clean_up EXIT

skip() {
  echo "fuse_disks: skipped: $*"
  [ "${CI:-}" = true ] && exit 1
  exit 77
}

[ "$(id -u)" = 0 ] || skip "mounting needs root"
[ -c /dev/fuse ] || skip "no /dev/fuse"
for needed in mkfs.vfat fusefat mkfs.exfat mount.exfat-fuse mkntfs ntfs-3g losetup; do
  command -v "$needed" >/dev/null || skip "$needed is not installed"
done

# Makes a small image of one kind of disk and mounts it: mount_disk NAME.
mount_disk() {
  local name=$1 image=$scratch/$1.img
  mkdir "$scratch/$name"
  case $name in
    fat) mkfs.vfat -C "$image" 16384 >/dev/null && fusefat -o rw+ "$image" "$scratch/fat" >/dev/null ;;
    exfat)
      truncate -s 16M "$image" && mkfs.exfat "$image" >/dev/null && loop=$(losetup -f --show "$image") &&
        mount.exfat-fuse "$loop" "$scratch/exfat" >/dev/null 2>&1
      ;;
    ntfs) truncate -s 16M "$image" && mkntfs -F -f -q "$image" >/dev/null 2>&1 && ntfs-3g "$image" "$scratch/ntfs" ;;
    # Windows hibernated (Fast Startup): the game put there first; ntfs-3g then
    # finds hiberfil.sys begun with HIBR and mounts the disk read-only.
    hibernated)
      truncate -s 16M "$image" && mkntfs -F -f -q "$image" >/dev/null 2>&1 && ntfs-3g "$image" "$scratch/$name" &&
        "$make_stand_in" "$scratch/$name/Halvane.exe" && printf 'HIBR%4096s' '' >"$scratch/$name/hiberfil.sys" &&
        umount "$scratch/$name" && ntfs-3g "$image" "$scratch/$name" 2>/dev/null
      ;;
  esac
}

# exFAT and NTFS must take a full patch. FAT through fusefat passes either
# way: fusefat's writing is experimental, and it drops a write that goes back
# within a cluster it has just written to, while reporting it done. The tool
# reads its writes back, so there this row checks only that it says writing
# failed, never that it finished.
fat_row="fat (a full patch, or a write that fusefat lost said as failed)"
failed=0
for disk in fat exfat ntfs; do
  mount_disk "$disk" || skip "$disk could not be mounted"
  full_patch_name=$disk
  [ $disk = fat ] && full_patch_name=$fat_row
  full_patch "$scratch/$disk" "$make_stand_in" "$tool" 2>"$scratch/why" && continue
  if [ $disk = fat ] && grep -qF "$fat_row: exit status 1:" "$scratch/why" &&
    [[ $full_patch_output == *$'Writing Halvane.exe failed: the disk did not keep what was written.\nIt may be only partly changed. Restore it from Halvane.bak.'* ]] &&
    [[ $full_patch_output != *'I think I finished'* ]]; then
    echo "$fat_row: not patched; fusefat lost a write, and the tool said writing failed, with a whole backup to restore from"
  else
    cat "$scratch/why" >&2
    failed=1
  fi
done
# The hibernated disk is refused in Windows' terms, and nothing is written.
mount_disk hibernated || skip "hibernated could not be mounted"
output=$(cd "$scratch/hibernated" && "$tool" </dev/null)
status=$?
"$make_stand_in" "$scratch/original"
if [[ $status != 1 || $output != *'Windows (NTFS) disk that Linux opened read-only'*'Fast Startup'* ]] ||
  ! cmp -s "$scratch/original" "$scratch/hibernated/Halvane.exe" || [ -e "$scratch/hibernated/Halvane.bak" ]; then
  echo "hibernated: status $status, or not refused in Windows' terms, or written: $output" >&2
  failed=1
else
  echo "hibernated: refused in Windows' terms, nothing written"
fi
exit $failed
