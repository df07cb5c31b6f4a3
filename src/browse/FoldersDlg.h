#pragma once

#include "browse/ToolWindowDlg.h"

class QMenu;
class QTreeView;

namespace veilpane {

class CFolderTreeModel;
class CPictoriumDoc;

// The Folders tool window: the folder tree under the user's home and the file-system root. Choosing a
// folder makes it the document's current folder; its context menu runs the folder commands, which act on
// the current folder, not on the item under the pointer.
class CFoldersDlg : public CToolWindowDlg {
    Q_OBJECT

public:
    // roots: the tree's top items; empty for the user's home and "/".
    CFoldersDlg(CPictoriumDoc& doc, QWidget* parent, const QStringList& roots = {});

    QTreeView* Tree() const { return m_tree; }
    CFolderTreeModel* Model() const { return m_model; }
    QMenu* ContextMenu() const { return m_menu; }
    // Selects and shows the folder's item without loading it again (it is already the current folder).
    void RevealFolder(const QString& folder);

private:
    void OnCurrentChanged(const QModelIndex& current);
    void OnContextMenu(const QPoint& position);

    CPictoriumDoc& m_doc;
    CFolderTreeModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QMenu* m_menu = nullptr;
    bool m_revealing = false;
};

} // namespace veilpane
