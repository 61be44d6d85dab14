#!/usr/bin/env bash
# The library's skin: every public image, every part set at two sizes, every
# window skin put together, and one contact sheet, rendered from the skin and
# atlas the library embeds.
set -euo pipefail
out="$VEL_DEMO_OUT/skin"
rm -rf "$out"
"$VEL_BUILD/tools/skingallery/skingallery" "$out"
echo
echo "Skin gallery: $out"
echo "  contact sheet:   $out/contact-sheet.png"
echo "  window skins:    $out/skins/ ($(ls "$out/skins" | wc -l) files)"
echo "  part sets:       $out/partsets/ ($(ls "$out/partsets" | wc -l) files)"
echo "  public images:   $out/images/ ($(ls "$out/images" | wc -l) files)"
echo "  the atlas:       $out/images/skin.png"
