#include "browse/FoldersDlg.h"

#include "browse/FolderTreeModel.h"
#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"

#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace veilpane {

CFoldersDlg::CFoldersDlg(CPictoriumDoc& doc, QWidget* parent, const QStringList& roots)
    : CToolWindowDlg(QStringLiteral(" Folders"), QStringLiteral("Folders"), parent), m_doc(doc) {
    const QStringList treeRoots = roots.isEmpty() ? QStringList{QDir::homePath(), QDir::rootPath()} : roots;
    m_model = new CFolderTreeModel(treeRoots, this);
    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Long names scroll sideways instead of being cut.
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    setWidget(m_tree);

    m_menu = new QMenu(this);
    const auto add = [this](const QString& text, int id) {
        QAction* action = m_menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { m_doc.Execute(id); });
    };
    add(QStringLiteral("Encrypt folder"), cmd::EncryptFolder);
    add(QStringLiteral("Decrypt folder"), cmd::DecryptFolder);
    m_menu->addSeparator();
    add(QStringLiteral("Open folder"), cmd::OpenFolder);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CFoldersDlg::OnContextMenu);
    connect(&doc, &CPictoriumDoc::FolderLoaded, this, [this] { RevealFolder(m_doc.CurrentFolder); });
    // A folder removed on disk takes its item along; the item the tree moves to is not a choice of the
    // user's, and the current folder stays what it is.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_revealing = true; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_revealing = false; });
    m_tree->expand(m_model->index(0, 0));
}

void CFoldersDlg::RevealFolder(const QString& folder) {
    const QModelIndex index = folder.isEmpty() ? QModelIndex() : m_model->IndexOfPath(folder);
    if (!index.isValid() || index == m_tree->currentIndex()) {
        return;
    }
    m_revealing = true;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
        m_tree->expand(up);
    }
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    m_revealing = false;
}

void CFoldersDlg::OnCurrentChanged(const QModelIndex& current) {
    if (!current.isValid()) {
        return;
    }
    // The children of a chosen folder exist from now on, expanded or not.
    if (m_model->canFetchMore(current)) {
        m_model->fetchMore(current);
    }
    if (m_revealing) {
        return;
    }
    const QString path = m_model->PathOf(current);
    m_doc.LoadFolder(path);
    // The document refuses a folder change while it works on the current image: the tree goes back to
    // the folder that is still current.
    if (QDir::cleanPath(m_doc.CurrentFolder) != QDir::cleanPath(path)) {
        RevealFolder(m_doc.CurrentFolder);
    }
}

void CFoldersDlg::OnContextMenu(const QPoint& position) {
    for (QAction* action : m_menu->actions()) {
        if (!action->isSeparator()) {
            action->setEnabled(m_doc.CommandState(action->data().toInt()).Enabled);
        }
    }
    // popup, not exec: the menu runs in the program's one event loop.
    m_menu->popup(m_tree->viewport()->mapToGlobal(position));
}

} // namespace veilpane
