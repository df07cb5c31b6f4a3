#pragma once

#include <QImage>

// The pictures of the Samples folder, drawn from code so that the project owns every pixel it ships. Each
// function draws the same picture on every run.
namespace veilpane::samples {

QImage LighthouseAtDusk(int width, int height);
QImage TulipField(int width, int height);
QImage HarbourAtNight(int width, int height);
QImage AppleOrchard(int width, int height);
QImage CoralReef(int width, int height);
QImage MandelbrotSet(int width, int height);
QImage SunsetDunes(int width, int height);
QImage TileMosaic(int width, int height);
QImage RainbowSpiral(int width, int height);
QImage MoonriseOverHills(int width, int height);

} // namespace veilpane::samples
