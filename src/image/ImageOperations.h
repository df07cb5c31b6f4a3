#pragma once

#include "platform/Bitmap.h"

#include <array>
#include <optional>

namespace veilpane {

// The Edit menu's twelve image operations as pure functions: each reads a bitmap and returns a new one,
// leaving the source untouched, so that the document can run them on a shared copy off the user-interface
// thread while the window keeps painting the original.
//
// The colour operations share one model:
// - every channel is taken as a fraction v / 255;
// - the operation gives a new fraction for red, green and blue, clamped to 0..1 and rounded to the nearest
//   of 0..255 (halves up); alpha is never an input or output of the operation;
// - the result is drawn over the old image with source-over compositing, as a translucent brush would be:
//   an opaque pixel takes the new colour, a fully transparent one stays exactly as it was, and one of
//   alpha a in between becomes colour (new * 255 + old * (255 - a)) / (510 - a) with alpha
//   a * (510 - a) / 255 (both rounded), i.e. it blends with its previous colour and grows more opaque.
enum class ImageOperation {
    Mirror,      // left-right
    Flip,        // top-bottom
    RotateRight, // 90 degrees clockwise
    RotateLeft,  // 90 degrees counter-clockwise
    Negative,
    Grayscale,
    Lighten,
    Darken,
    Contrast,
    Sharpen,
    Gamma,
    Threshold,
};

// A 5 x 5 colour matrix in single precision: the row vector (r, g, b, a, 1) times the matrix, the fifth row
// being the added constant. The alpha row and column of every matrix here are those of the identity.
using CColorMatrix = std::array<std::array<float, 5>, 5>;

// The matrix of the six matrix operations (Negative, Grayscale, Lighten, Darken, Contrast, Sharpen);
// nothing for the others.
std::optional<CColorMatrix> ColorMatrixFor(ImageOperation operation);

// Applies operation to source. value is the operation's parameter as the document stores it: gamma x 1000
// (truncated toward zero) or the threshold level 0..255; the other operations ignore it.
// - Gamma g = value / 1000 maps a fraction v to v^(1/g): it corrects an image for a display of gamma g,
//   so g > 1 lightens the mid-tones, g < 1 darkens them and g = 1 changes nothing (the convention of the
//   common command-line image tools). A value of 0 or less is not applied: the result equals the source.
// - Threshold: a channel above the level becomes 255; one at or below it becomes 0. Level 0 therefore
//   keeps 0 and lifts everything else, and level 255 turns every channel to 0. Levels outside 0..255 are
//   clamped into that range.
// The four geometric operations are lossless. An empty or invalid source gives an empty bitmap.
CBitmap ApplyImageOperation(const CBitmap& source, ImageOperation operation, int value = 0);

// The gamma factor as the document stores it: thousandths, truncated toward zero, the factor taken in
// single precision as the dialog holds it (so 4.35 stores 4350). 0 when the factor is not a number or its
// thousandfold does not fit 32 bits: such a gamma is not applied.
int GammaOperationValue(double gamma);

// The building blocks, public for tests and the benchmark.
CBitmap ApplyColorMatrix(const CBitmap& source, const CColorMatrix& matrix);
CBitmap ApplyGamma(const CBitmap& source, double gamma);
CBitmap ApplyThreshold(const CBitmap& source, int level);

} // namespace veilpane
