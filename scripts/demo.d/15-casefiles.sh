#!/usr/bin/env bash
# Case files: a case directory with its hidden companion directory and case
# description, a picture renamed together with its companions, and
# thumbnails written as PNG files.
set -euo pipefail
H="$VEL_BUILD/tools/evdhost/evdhost"
say() { printf '\n$ evdhost %s\n' "$*"; "$H" "$@"; }

case_dir='D:\Cases\2015\盗窃案'
folder="$case_dir\\现场照片"
host_folder=$("$H" host-path "$folder")
mkdir -p "$host_folder"
say case-priority "$case_dir"
say case-priority "$case_dir" 250
echo "companion directory: $("$H" host-path "$case_dir\\.evd")"
ls -la "$("$H" host-path "$case_dir\\.evd")"
echo "case.xml (UTF-16):"; iconv -f UTF-16LE -t UTF-8 "$("$H" host-path "$case_dir\\.evd\\case.xml")"; echo

# A picture with its description and source copy, a video with its first frame.
"$H" sample-picture "$host_folder/现场.jpeg" 640 480 jpeg
printf '<mark/>' > "$host_folder/现场.jpeg.xml"
cp "$host_folder/现场.jpeg" "$host_folder/现场_src.jpeg"
printf 'video' > "$host_folder/CLIP0001.MP4"
"$H" sample-picture "$host_folder/CLIP0001.MP4_first.jpg" 1280 720 jpeg
say list "$folder"
say rename "$folder\\现场.jpeg" "$folder\\现场-门口.jpeg"
say list "$folder"

mkdir -p "$VEL_DEMO_OUT/thumbnails"
out=$(realpath "$VEL_DEMO_OUT/thumbnails")
say thumbnail "$folder\\现场-门口.jpeg" 96 "$out/picture.png"
say thumbnail "$folder\\CLIP0001.MP4" 96 "$out/video.png"
echo "thumbnails written to $out"
