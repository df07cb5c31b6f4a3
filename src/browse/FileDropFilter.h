#pragma once

#include <QObject>
#include <QStringList>

class QDropEvent;
class QUrl;
class QWidget;

namespace veilpane {

class CPictoriumDoc;

// What a drop from a file manager does, by where it lands.
enum class DropTarget { Window, Preview, Thumbnails };
enum class DropAction { None, OpenFolder, FileToHide, Encrypt, Decrypt };

// A folder opens wherever it lands; a file on the preview becomes the file to hide; files on the
// thumbnails with Shift held are offered for encryption, or for decryption when all are ".cry" files.
DropAction DropActionFor(const QList<QUrl>& urls, DropTarget target, bool shift);

// Takes the drops of one widget and hands them to the document. The work starts after the drop has
// returned, so that a question asked about it never keeps the file manager waiting.
class CFileDropFilter : public QObject {
    Q_OBJECT

public:
    CFileDropFilter(CPictoriumDoc& doc, DropTarget target, QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Drop(QDropEvent* event);

    CPictoriumDoc& m_doc;
    DropTarget m_target;
};

// The drops of the main window (folders anywhere) and of the preview.
void InstallFileDrops(CPictoriumDoc& doc, QWidget* window, QWidget* preview);

} // namespace veilpane
