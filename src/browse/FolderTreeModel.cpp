#include "browse/FolderTreeModel.h"

#include "platform/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QTextDocument>

namespace veilpane {

struct CFolderTreeModel::CNode {
    QString Path;
    QString Name;
    CNode* Parent = nullptr;
    int Row = 0;
    bool Fetched = false;
    bool HasSubfolders = false;
    std::vector<std::unique_ptr<CNode>> Children;
};

namespace {

constexpr QDir::Filters FolderFilter = QDir::Dirs | QDir::NoDotAndDotDot;

bool HasSubfolders(const QString& path) {
    QDirIterator it(path, FolderFilter);
    return it.hasNext();
}

} // namespace

CFolderTreeModel::CFolderTreeModel(const QStringList& roots, QObject* parent) : QAbstractItemModel(parent) {
    for (const QString& root : roots) {
        auto node = std::make_unique<CNode>();
        node->Path = QDir::cleanPath(root);
        node->Name = QDir::toNativeSeparators(node->Path);
        node->Row = static_cast<int>(m_roots.size());
        node->HasSubfolders = HasSubfolders(node->Path);
        m_roots.push_back(std::move(node));
    }
}

CFolderTreeModel::~CFolderTreeModel() = default;

CFolderTreeModel::CNode* CFolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<CNode*>(index.internalPointer()) : nullptr;
}

QModelIndex CFolderTreeModel::IndexOf(const CNode* node) const {
    return node ? createIndex(node->Row, 0, const_cast<CNode*>(node)) : QModelIndex();
}

QModelIndex CFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    const CNode* node = NodeOf(parent);
    const auto& children = node ? node->Children : m_roots;
    if (row >= static_cast<int>(children.size())) {
        return {};
    }
    return createIndex(row, 0, children[static_cast<std::size_t>(row)].get());
}

QModelIndex CFolderTreeModel::parent(const QModelIndex& child) const {
    const CNode* node = NodeOf(child);
    return node ? IndexOf(node->Parent) : QModelIndex();
}

int CFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const CNode* node = NodeOf(parent);
    return static_cast<int>(node ? node->Children.size() : m_roots.size());
}

int CFolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CFolderTreeModel::data(const QModelIndex& index, int role) const {
    const CNode* node = NodeOf(index);
    if (!node) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return node->Name;
    case Qt::ToolTipRole:
        // A tooltip that looks like markup is shown as markup; a folder name must read as it stands.
        return Qt::convertFromPlainText(QDir::toNativeSeparators(node->Path));
    case Qt::DecorationRole:
        return m_icons.icon(node->Parent ? QFileIconProvider::Folder : QFileIconProvider::Drive);
    default:
        return {};
    }
}

bool CFolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const CNode* node = NodeOf(parent);
    if (!node) {
        return !m_roots.empty();
    }
    return node->Fetched ? !node->Children.empty() : node->HasSubfolders;
}

bool CFolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const CNode* node = NodeOf(parent);
    return node && !node->Fetched;
}

void CFolderTreeModel::fetchMore(const QModelIndex& parent) {
    CNode* node = NodeOf(parent);
    if (!node || node->Fetched) {
        return;
    }
    node->Fetched = true;
    const QStringList names =
        QDir(node->Path).entryList(FolderFilter, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    if (names.isEmpty()) {
        // The mark may have promised children that are gone or unreadable: let the view drop it.
        node->HasSubfolders = false;
        emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    for (const QString& name : names) {
        auto child = std::make_unique<CNode>();
        child->Path = PathInFolder(node->Path, name);
        child->Name = name;
        child->Parent = node;
        child->Row = static_cast<int>(node->Children.size());
        child->HasSubfolders = HasSubfolders(child->Path);
        node->Children.push_back(std::move(child));
    }
    endInsertRows();
}

QString CFolderTreeModel::PathOf(const QModelIndex& index) const {
    const CNode* node = NodeOf(index);
    return node ? node->Path : QString();
}

QModelIndex CFolderTreeModel::IndexOfPath(const QString& path) {
    const QString wanted = QDir::cleanPath(QDir::fromNativeSeparators(path));
    const CNode* best = nullptr;
    for (const auto& root : m_roots) {
        const QString prefix =
            root->Path.endsWith(QLatin1Char('/')) ? root->Path : root->Path + QLatin1Char('/');
        if ((wanted == root->Path || wanted.startsWith(prefix)) &&
            (!best || root->Path.size() > best->Path.size())) {
            best = root.get();
        }
    }
    if (!best) {
        return {};
    }
    QModelIndex current = IndexOf(best);
    QString rest = wanted.mid(best->Path.size());
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (canFetchMore(current)) {
            fetchMore(current);
        }
        const CNode* node = NodeOf(current);
        const CNode* next = nullptr;
        for (const auto& child : node->Children) {
            if (child->Name == part) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            return {};
        }
        current = IndexOf(next);
    }
    return current;
}

} // namespace veilpane
