// Writes the crafted image files of support/HostileImages.h into a folder, for bench/run_bomb_bench.sh.
// Usage: veilpane_hostile_images FOLDER [--camera]   (--camera adds a 100-megapixel camera-like JPEG)
#include "support/HostileImages.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

using namespace veilpane::test;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: veilpane_hostile_images FOLDER [--camera]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    const auto path = [&folder](const char* name) {
        return folder.filePath(QString::fromLatin1(name));
    };
    bool ok = WriteTiffBomb(path("tiff-bomb.tif"), 20000, 20000) &&
              WriteTruncatedTiff(path("tiff-truncated.tif")) &&
              WritePatchedProgressiveJpeg(path("progressive-60000.jpg"), 60000, 60000) &&
              WriteOneBitPng(path("onebit-40000.png"), 40000) && WriteSvg(path("drawing.png")) &&
              WriteSvg(path("drawing.svg")) && WriteCameraJpeg(path("camera-36mp.jpg"), 6000, 6000);
    if (ok && argc > 2 && std::strcmp(argv[2], "--camera") == 0) {
        ok = WriteCameraJpeg(path("camera-100mp.jpg"), 12000, 8400);
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write the files into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
