#pragma once

#include <QAbstractItemModel>
#include <QFileIconProvider>
#include <QHash>
#include <QSet>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

#include <memory>
#include <vector>

namespace veilpane {

// The folders of the file system as a tree under a few roots (the user's home and "/"), directories only,
// hidden ones left out. A folder's subfolders are listed the first time they are asked for and kept for
// the run; each listed folder is probed once for subfolders of its own so that the expand mark is right
// before its children exist. One model with several roots, which a file-system model with its single
// root cannot give. Listed folders are watched: subfolders made or removed later appear and vanish.
class CFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    CFolderTreeModel(const QStringList& roots, QObject* parent = nullptr);
    ~CFolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    QString PathOf(const QModelIndex& index) const;
    // The item of a folder, listing the folders on the way to it; under the deepest root that holds it.
    // Invalid when the folder is under no root or a folder on the way no longer exists.
    QModelIndex IndexOfPath(const QString& path);

    // Lists the folder's subfolders again now rather than when the watch reports it.
    void Refresh(const QString& path);

private:
    struct CNode;
    void RefreshNode(CNode* node);
    void RefreshDue();
    void Forget(CNode* node);
    CNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const CNode* node) const;

    std::vector<std::unique_ptr<CNode>> m_roots;
    QFileIconProvider m_icons;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_refreshTimer = nullptr;
    QHash<QString, CNode*> m_listed; // the folders whose subfolders are listed, by path
    QSet<QString> m_changed;
};

} // namespace veilpane
