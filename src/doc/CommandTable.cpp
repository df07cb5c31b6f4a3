#include "doc/CommandTable.h"

namespace veilpane {

using namespace cmd;

const QList<CCommandInfo>& CommandTable() {
    static const QList<CCommandInfo> table = {
        {Mirror, QStringLiteral("Mirror"), QStringLiteral("Mirror"), QStringLiteral("Mirror")},
        {Flip, QStringLiteral("Flip"), QStringLiteral("Flip"), QStringLiteral("Flip")},
        {Negative, QStringLiteral("Negative"), QStringLiteral("Negative"), QStringLiteral("Negative")},
        {Grayscale, QStringLiteral("Grayscale"), QStringLiteral("Grayscale"), QStringLiteral("Grayscale")},
        {RotateRight, QStringLiteral("Rotate Right 90\u00b0"), QStringLiteral("Rotate 90\u00b0 to Right"),
         QStringLiteral("Rotate Right 90\u00b0")},
        {GammaColors, QStringLiteral("Gamma Colors ..."), QStringLiteral("Gamma Colors"),
         QStringLiteral("Gamma Colors")},
        {RotateLeft, QStringLiteral("Rotate Left 90\u00b0"), QStringLiteral("Rotate 90\u00b0 to Left"),
         QStringLiteral("Rotate Left 90\u00b0")},
        {FoldersWindow, QStringLiteral("&Folders window"), QStringLiteral("Show or hide the Folders window"),
         QStringLiteral("Toggle Folders window")},
        {ImagePreviewWindow, QStringLiteral("&Image Preview window"),
         QStringLiteral("Show or hide the Image Preview window"), QStringLiteral("Toggle Image Preview")},
        {Threshold, QStringLiteral("Threshold ..."), QStringLiteral("Threshold"),
         QStringLiteral("Threshold")},
        {Lighten, QStringLiteral("Lighten"), QStringLiteral("Lighten"), QStringLiteral("Lighten")},
        {Darken, QStringLiteral("Darken"), QStringLiteral("Darken"), QStringLiteral("Darken")},
        {Contrast, QStringLiteral("Contrast"), QStringLiteral("Contrast"), QStringLiteral("Contrast")},
        {Sharpen, QStringLiteral("Sharpen"), QStringLiteral("Sharpen"), QStringLiteral("Sharpen")},
        {SavePng, QStringLiteral("&Save PNG"), QStringLiteral("Save image in PNG format"),
         QStringLiteral("Save PNG")},
        {SaveBmp, QStringLiteral("Save &BMP"), QStringLiteral("Save image in BMP format"),
         QStringLiteral("Save BMP")},
        {SaveTiff, QStringLiteral("Save &TIFF"), QStringLiteral("Save image in TIFF format"),
         QStringLiteral("Save TIFF")},
        {SaveJpeg, QStringLiteral("Save &JPG"), QStringLiteral("Save image in JPEG format"),
         QStringLiteral("Save JPEG")},
        {SaveGif, QStringLiteral("Save &GIF"), QStringLiteral("Save image in GIF format"),
         QStringLiteral("Save GIF")},
        {HideFile, QStringLiteral("&Hide file within Image Preview"),
         QStringLiteral("Hide selected file within Image Preview"),
         QStringLiteral("Hide file within Image Preview")},
        {SelectFileToHide, QStringLiteral("&Select file to hide"),
         QStringLiteral("Select the file to hide within Image Preview"),
         QStringLiteral("Select file to hide")},
        {UnselectFileToHide, QStringLiteral("&Unselect file to hide"),
         QStringLiteral("Unselect file to hide"), QStringLiteral("Unselect file to hide")},
        {FileToHideItem, QStringLiteral("<No file to hide selected>"),
         QStringLiteral("Shows de selected file to hide"), QString()},
        {EnterSecretMessage, QStringLiteral("&Enter secret message to hide"),
         QStringLiteral("Enter message to hide within Image Preview"),
         QStringLiteral("Enter message to hide")},
        {HideMessage, QStringLiteral("Hide secret &message within Image Preview"),
         QStringLiteral("Hide message within Image Preview"),
         QStringLiteral("Hide message within Image Preview")},
        {MessageToHideItem, QStringLiteral("<No secret message to hide>"),
         QStringLiteral("Shows message to hide"), QString()},
        {ExtractHiddenFile, QStringLiteral("&Extract hidden file"),
         QStringLiteral("Extract hidden file from Image Preview"), QStringLiteral("Extract hidden file")},
        {SamplesFolder, QStringLiteral("S&amples folder"), QStringLiteral("Go to Samples folder"),
         QStringLiteral("Go to Samples folder")},
        {Passwords, QStringLiteral("&Passwords"),
         QStringLiteral("Set the encryption and decryption passwords"),
         QStringLiteral("Encryption/Decryption passwords")},
        {EncryptFile, QStringLiteral("&Encrypt file"), QStringLiteral("Selected a file to encrypt"),
         QStringLiteral("Encrypt file")},
        {DecryptFile, QStringLiteral("&Decrypt file"), QStringLiteral("Selected a file to decrypt"),
         QStringLiteral("Decrypt file")},
        {EncryptFolder, QStringLiteral("Encrypt &folder"), QStringLiteral("Encrypts all files in a folder"),
         QStringLiteral("Encrypt folder files")},
        {DecryptFolder, QStringLiteral("De&crypt folder"), QStringLiteral("Decrypts all files in a folder"),
         QStringLiteral("Decrypt folder files")},
        {EncryptDecryptMessage, QStringLiteral("Encrypt / Decrypt &message"),
         QStringLiteral("Encrypt and decrypt a message"), QStringLiteral("Encrypt/Decrypt message")},
        {OpenFolder, QStringLiteral("Open folder"), QString(), QString()},
        {RefreshFolder, QStringLiteral("&Refresh folder"),
         QStringLiteral("Refresh folder to see changed contents"), QStringLiteral("Refresh folder")},
        {FrameColors, QStringLiteral("&Frame colors of the thumbnails"),
         QStringLiteral("Frame colors of the thumbnails"), QStringLiteral("Frame colors of the thumbnails")},
        {WebSite, QStringLiteral("&Go to Veilpane Official Web Site"),
         QStringLiteral("Go to Veilpane Official Web Site"),
         QStringLiteral("Go to Veilpane Official Web Site")},
        {Disclaimer, QStringLiteral("&DISCLAIMER"), QStringLiteral("DISCLAIMER"),
         QStringLiteral("DISCLAIMER")},
        {About, QStringLiteral("&About"), QStringLiteral("About Veilpane application"),
         QStringLiteral("About Veilpane")},
        {PrintSetup, QStringLiteral("P&rint Setup ..."),
         QStringLiteral("Change the printer and printing options"), QStringLiteral("Print setup")},
        {Print, QStringLiteral("&Print ...\tCtrl+P"), QStringLiteral("Print image"),
         QStringLiteral("Print image")},
        {PrintPreview, QStringLiteral("Print Pre&view"), QStringLiteral("Print image preview"),
         QStringLiteral("Print image preview")},
        {Undo, QStringLiteral("&Undo"), QStringLiteral("Undo the last action"), QStringLiteral("Undo")},
        {Redo, QStringLiteral("&Redo"), QStringLiteral("Redo the previously undone action"),
         QStringLiteral("Redo")},
        {Exit, QStringLiteral("E&xit"), QStringLiteral("Quit Veilpane"), QStringLiteral("Quit Veilpane")},
        {ToolBar, QStringLiteral("&ToolBar"), QStringLiteral("Show or hide the ToolBar"),
         QStringLiteral("Toggle ToolBar")},
        {StatusBar, QStringLiteral("&StatusBar"), QStringLiteral("Show or hide the StatusBar"),
         QStringLiteral("Toggle StatusBar")},
    };
    return table;
}

const CCommandInfo* FindCommand(int id) {
    for (const CCommandInfo& info : CommandTable()) {
        if (info.Id == id) {
            return &info;
        }
    }
    return nullptr;
}

const QList<CMenuInfo>& MenuLayout() {
    static const QList<CMenuInfo> menus = {
        {QStringLiteral("&File"),
         {ExtractHiddenFile, 0, SavePng, SaveBmp, SaveTiff, SaveJpeg, SaveGif, 0, Print, PrintPreview,
          PrintSetup, 0, Exit}},
        {QStringLiteral("&Hide"),
         {SelectFileToHide, UnselectFileToHide, HideFile, 0, FileToHideItem, 0, EnterSecretMessage,
          HideMessage, 0, MessageToHideItem}},
        {QStringLiteral("&Encrypt"),
         {EncryptFile, DecryptFile, 0, EncryptFolder, DecryptFolder, 0, EncryptDecryptMessage}},
        {QStringLiteral("&Settings"), {Passwords}},
        {QStringLiteral("&Edit"),
         {Undo, Redo, 0, Mirror, Flip, RotateRight, RotateLeft, 0, Grayscale, Negative, GammaColors,
          Threshold, 0, Lighten, Darken, Contrast, Sharpen}},
        {QStringLiteral("&View"),
         {RefreshFolder, 0, SamplesFolder, 0, ToolBar, StatusBar, FoldersWindow, ImagePreviewWindow}},
        {QStringLiteral("Hel&p"), {FrameColors, WebSite, 0, Disclaimer, About}},
    };
    return menus;
}

const QList<int>& ToolbarLayout() {
    static const QList<int> buttons = {ExtractHiddenFile,
                                       0,
                                       SelectFileToHide,
                                       UnselectFileToHide,
                                       HideFile,
                                       0,
                                       EnterSecretMessage,
                                       HideMessage,
                                       0,
                                       Passwords,
                                       0,
                                       Undo,
                                       Redo,
                                       0,
                                       FoldersWindow,
                                       ImagePreviewWindow,
                                       0,
                                       RefreshFolder,
                                       0,
                                       0,
                                       Exit};
    return buttons;
}

} // namespace veilpane
