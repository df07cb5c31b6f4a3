#include "browse/FolderTreeModel.h"

#include "platform/NaturalOrder.h"
#include "platform/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileSystemWatcher>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

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

QStringList SubfoldersOf(const QString& path) {
    QStringList names = QDir(path).entryList(FolderFilter, QDir::Unsorted);
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

// A burst of changes in a folder (a copy of many files) costs one listing.
constexpr int RefreshDelayMs = 200;

} // namespace

CFolderTreeModel::CFolderTreeModel(const QStringList& roots, QObject* parent) : QAbstractItemModel(parent) {
    m_watcher = new QFileSystemWatcher(this);
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(RefreshDelayMs);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        m_changed.insert(path);
        if (!m_refreshTimer->isActive()) {
            m_refreshTimer->start();
        }
    });
    connect(m_refreshTimer, &QTimer::timeout, this, &CFolderTreeModel::RefreshDue);
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
    m_listed.insert(node->Path, node);
    m_watcher->addPath(node->Path);
    const QStringList names = SubfoldersOf(node->Path);
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

void CFolderTreeModel::Refresh(const QString& path) {
    if (CNode* node = m_listed.value(QDir::cleanPath(path))) {
        RefreshNode(node);
    }
}

void CFolderTreeModel::RefreshDue() {
    const QSet<QString> changed = std::exchange(m_changed, {});
    for (const QString& path : changed) {
        // A folder removed with its parent was forgotten on the way.
        if (CNode* node = m_listed.value(path)) {
            RefreshNode(node);
        }
    }
}

void CFolderTreeModel::Forget(CNode* node) {
    for (const auto& child : node->Children) {
        Forget(child.get());
    }
    if (node->Fetched && m_listed.remove(node->Path) > 0) {
        m_watcher->removePath(node->Path);
    }
}

void CFolderTreeModel::RefreshNode(CNode* node) {
    const QStringList names = SubfoldersOf(node->Path);
    const QModelIndex parent = IndexOf(node);
    auto& children = node->Children;
    const auto renumber = [&children] {
        for (std::size_t row = 0; row < children.size(); ++row) {
            children[row]->Row = static_cast<int>(row);
        }
    };
    for (int row = static_cast<int>(children.size()) - 1; row >= 0; --row) {
        if (!names.contains(children[static_cast<std::size_t>(row)]->Name)) {
            beginRemoveRows(parent, row, row);
            Forget(children[static_cast<std::size_t>(row)].get());
            children.erase(children.begin() + row);
            renumber();
            endRemoveRows();
        }
    }
    // Both lists are in the same order and the children are now among the names: whatever does not match
    // in place is new.
    for (int row = 0; row < names.size(); ++row) {
        const auto at = static_cast<std::size_t>(row);
        if (at < children.size() && children[at]->Name == names[row]) {
            continue;
        }
        beginInsertRows(parent, row, row);
        auto child = std::make_unique<CNode>();
        child->Path = PathInFolder(node->Path, names[row]);
        child->Name = names[row];
        child->Parent = node;
        child->HasSubfolders = HasSubfolders(child->Path);
        children.insert(children.begin() + row, std::move(child));
        renumber();
        endInsertRows();
    }
    if (node->HasSubfolders != !names.isEmpty()) {
        node->HasSubfolders = !names.isEmpty();
        emit dataChanged(parent, parent);
    }
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
