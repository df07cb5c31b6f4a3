#!/bin/sh
# Accuracy of the steganalysis on real photographs: Debian's python3-skimage sample photos (and any photo
# folders given after the build directory), converted to PNG, whole and as quadrants, then hidden into with
# the program's own hide engine by veilpane_analysis_accuracy.
# Usage: bench/run_analysis_accuracy.sh BUILD_DIR [PHOTO_FOLDER...]
# Debian's own python3 is used, since that is where its python3-skimage lives.
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
program="$build/bin/veilpane_analysis_accuracy"
[ -x "$program" ] || { echo "$program not found: build first" >&2; exit 1; }
/usr/bin/python3 -c "import skimage" 2>/dev/null || { echo "python3-skimage is not installed (apt-get install python3-skimage)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" "$@" <<'PY'
import os, sys, glob
import numpy as np
import skimage.data, skimage.io
out = sys.argv[1]
data = os.path.dirname(skimage.data.__file__)
# Photographs only: no drawings, test patterns, text scans or synthetic images.
names = ["astronaut.png", "brick.png", "camera.png", "chelsea.png", "coffee.png", "coins.png", "grass.png",
         "gravel.png", "hubble_deep_field.jpg", "ihc.png", "moon.png", "motorcycle_left.png",
         "motorcycle_right.png", "rocket.jpg", "retina.jpg", "cell.png"]
paths = [os.path.join(data, n) for n in names if os.path.exists(os.path.join(data, n))]
for folder in sys.argv[2:]:
    for ext in ("jpg", "jpeg", "JPG"):
        paths += glob.glob(os.path.join(folder, "*." + ext))
for path in paths:
    image = skimage.io.imread(path)
    if image.ndim == 3:
        image = image[:, :, :3]
    base = os.path.splitext(os.path.basename(path))[0]
    skimage.io.imsave(os.path.join(out, base + ".png"), image, check_contrast=False)
    h, w = image.shape[:2]
    if h >= 256 and w >= 256:
        for i, (y, x) in enumerate([(0, 0), (0, w // 2), (h // 2, 0), (h // 2, w // 2)]):
            skimage.io.imsave(os.path.join(out, f"{base}_q{i}.png"), image[y:y + h // 2, x:x + w // 2],
                              check_contrast=False)
PY
echo "$(ls "$work" | wc -l) photos as PNG" >&2
"$program" "$work"/*.png
