#include "browse/FileDropFilter.h"

#include "crypto/CryFile.h"
#include "doc/PictoriumDoc.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace veilpane {

namespace {

QStringList LocalPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

DropAction DropActionFor(const QList<QUrl>& urls, DropTarget target, bool shift) {
    const QStringList paths = LocalPaths(urls);
    if (paths.isEmpty()) {
        return DropAction::None;
    }
    if (paths.size() == 1 && QFileInfo(paths.front()).isDir()) {
        return DropAction::OpenFolder;
    }
    const bool allFiles =
        std::all_of(paths.begin(), paths.end(), [](const QString& path) { return QFileInfo(path).isFile(); });
    if (!allFiles) {
        return DropAction::None;
    }
    if (target == DropTarget::Preview && paths.size() == 1) {
        return DropAction::FileToHide;
    }
    if (target == DropTarget::Thumbnails && shift) {
        const bool allEncrypted = std::all_of(paths.begin(), paths.end(), [](const QString& path) {
            return path.endsWith(QLatin1String(CryExtension), Qt::CaseInsensitive);
        });
        return allEncrypted ? DropAction::Decrypt : DropAction::Encrypt;
    }
    return DropAction::None;
}

CFileDropFilter::CFileDropFilter(CPictoriumDoc& doc, DropTarget target, QWidget* widget)
    : QObject(widget), m_doc(doc), m_target(target) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool CFileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        // Shift may still be pressed on the way: what could be dropped here is taken.
        if (drag->mimeData()->hasUrls() &&
            DropActionFor(drag->mimeData()->urls(), m_target, true) != DropAction::None) {
            // Never a move: the file manager must not remove what it handed over.
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop:
        Drop(static_cast<QDropEvent*>(event));
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void CFileDropFilter::Drop(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->hasUrls() ? event->mimeData()->urls() : QList<QUrl>();
    const DropAction action = DropActionFor(urls, m_target, event->modifiers().testFlag(Qt::ShiftModifier));
    if (action == DropAction::None) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QStringList paths = LocalPaths(urls);
    QPointer<CPictoriumDoc> doc(&m_doc);
    QTimer::singleShot(0, this, [doc, action, paths] {
        if (!doc) {
            return;
        }
        switch (action) {
        case DropAction::OpenFolder:
            doc->LoadFolder(paths.front());
            break;
        case DropAction::FileToHide:
            doc->ChooseFileToHide(paths.front());
            break;
        case DropAction::Encrypt:
            doc->EncryptFiles(paths);
            break;
        case DropAction::Decrypt:
            doc->DecryptFiles(paths);
            break;
        case DropAction::None:
            break;
        }
    });
}

void InstallFileDrops(CPictoriumDoc& doc, QWidget* window, QWidget* preview) {
    if (window) {
        new CFileDropFilter(doc, DropTarget::Window, window);
    }
    if (preview) {
        new CFileDropFilter(doc, DropTarget::Preview, preview);
    }
}

} // namespace veilpane
