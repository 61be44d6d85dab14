#!/usr/bin/env bash
# The window system: the control gallery driven by the robot on the headless
# screen, with a snapshot of each step kept for people to look at.
set -euo pipefail
out="$VEL_DEMO_OUT/gui"
mkdir -p "$out"
"$VEL_BUILD/tools/uigallery/uigallery" --snapshots "$out"
echo
echo "Snapshots of the sample dialog:"
ls -1 "$out"/*.png
