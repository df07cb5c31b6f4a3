#pragma once

class QPainter;

namespace veilpane {

// A picture drawn on a 16 × 16 grid; whoever renders it scales the painter for larger sizes. Drawing needs
// only a painter, so the command table can name each command's picture directly.
using CPainting = void (*)(QPainter&);

// The pictures of the toolbar buttons and menu items, each named after its command, and the program's own.
namespace picture {

void ExtractHiddenFile(QPainter& p);
void SelectFileToHide(QPainter& p);
void UnselectFileToHide(QPainter& p);
void HideFile(QPainter& p);
void EnterSecretMessage(QPainter& p);
void HideMessage(QPainter& p);
void Passwords(QPainter& p);
void Analyse(QPainter& p);
void Undo(QPainter& p);
void Redo(QPainter& p);
void FoldersWindow(QPainter& p);
void ImagePreviewWindow(QPainter& p);
void RefreshFolder(QPainter& p);
void Exit(QPainter& p);
void EncryptFile(QPainter& p);
void DecryptFile(QPainter& p);
void EncryptFolder(QPainter& p);
void DecryptFolder(QPainter& p);
void EncryptDecryptMessage(QPainter& p);
void SamplesFolder(QPainter& p);
void FrameColors(QPainter& p);
void WebSite(QPainter& p);
void Disclaimer(QPainter& p);
void About(QPainter& p);

// A picture behind a pane of glass with a lock: images that keep something to themselves.
void Application(QPainter& p);

} // namespace picture

} // namespace veilpane
