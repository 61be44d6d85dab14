#!/usr/bin/env bash
# The evidence library: a library root, a case with a folder, sample files
# filed with Evd_AddPathToCase, and what the library says about them.
set -euo pipefail
H="$VEL_BUILD/tools/evdhost/evdhost"
say() { printf '\n$ evdhost %s\n' "$*"; "$H" "$@"; }

echo "Library data folder lives on drive C: ($VEL_DRIVE_C); case data on drive D: ($VEL_DRIVE_D)."
say init
root=$(say add-root 'D:\Cases' | tail -1)
case_id=$(say new-case 盗窃案 '2015-03-01 10:00:00.000' | tail -1)
folder_id=$(say new-folder "$case_id" 现场照片 | tail -1)
folder=$(say query-path "$folder_id" --current | tail -1)
host_folder=$("$H" host-path "$folder")
echo "folder $folder is $host_folder on this machine"
mkdir -p "$host_folder"
printf 'video' > "$host_folder/CLIP0001.MP4"
printf 'jpeg' > "$host_folder/现场.jpeg"
printf 'notes' > "$host_folder/笔录.doc"
mkdir -p "$host_folder/原始资料"

ids=()
for name in CLIP0001.MP4 现场.jpeg 笔录.doc 原始资料; do
  ids+=("$(say add-path "$folder\\$name" -1 "$folder_id" | tail -1)")
done
echo
echo "Filing the same file again is refused (2005), a file outside the folder (2004), a missing one (2001):"
set +e
"$H" add-path "$folder\\CLIP0001.MP4" -1 "$folder_id" 2>&1
printf 'x' > "$VEL_DRIVE_D/elsewhere.mp4"
"$H" add-path 'D:\elsewhere.mp4' -1 "$folder_id" 2>&1
"$H" add-path 'D:\missing.mp4' -1 "$folder_id" 2>&1
"$H" show-msg 2004 2>&1
set -e

for id in "${ids[@]}"; do
  say query-path "$id"
  say relative-name "$id"
done
say parent-dir "${ids[0]}"
say default-dir --node "$case_id"
say default-dir
say logical-name "$("$H" default-dir | cut -f3)\\截图.png"
say logical-name 'C:\Velmora\Snapshot\20150301\1.jpg'
say logical-name 'C:\Velmora\Clip\clip.mp4'
say tree
say fini
