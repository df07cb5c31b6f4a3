#include "browse/ThumbnailModel.h"

#include "stego/PayloadFormat.h"

#include <QHash>
#include <QTextDocument>

#include <algorithm>

namespace veilpane {

CThumbnailModel::CThumbnailModel(QObject* parent) : QAbstractListModel(parent) {}

void CThumbnailModel::Reset(const QStringList& names) {
    beginResetModel();
    m_entries.clear();
    m_entries.resize(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        m_entries[static_cast<std::size_t>(i)].Name = names[i];
    }
    m_stored = 0;
    m_focusFirst = 0;
    m_focusLast = 0;
    endResetModel();
}

void CThumbnailModel::Rearrange(const QStringList& names, const QList<int>& previousRows) {
    emit layoutAboutToBeChanged();
    // The selection and the current item follow names, also onto a rewritten file drawn anew.
    const QModelIndexList from = persistentIndexList();
    QStringList fromNames;
    fromNames.reserve(from.size());
    for (const QModelIndex& index : from) {
        fromNames.append(m_entries[static_cast<std::size_t>(index.row())].Name);
    }
    std::vector<CEntry> entries(static_cast<std::size_t>(names.size()));
    QHash<QString, int> newRowOf;
    newRowOf.reserve(names.size());
    for (qsizetype row = 0; row < names.size(); ++row) {
        CEntry& entry = entries[static_cast<std::size_t>(row)];
        const int previous = row < previousRows.size() ? previousRows[row] : -1;
        if (previous >= 0 && static_cast<std::size_t>(previous) < m_entries.size()) {
            entry = std::move(m_entries[static_cast<std::size_t>(previous)]);
        }
        entry.Name = names[row];
        newRowOf.insert(names[row], static_cast<int>(row));
    }
    m_entries = std::move(entries);
    QModelIndexList to;
    to.reserve(from.size());
    for (const QString& name : fromNames) {
        const int row = newRowOf.value(name, -1);
        to.append(row >= 0 ? createIndex(row, 0) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    m_stored = static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                              [](const CEntry& entry) { return !entry.Thumbnail.isNull(); }));
    emit layoutChanged();
}

void CThumbnailModel::ForgetKinds() {
    for (CEntry& entry : m_entries) {
        entry.KindKnown = false;
    }
}

std::vector<bool> CThumbnailModel::KnownRows() const {
    std::vector<bool> known;
    known.reserve(m_entries.size());
    for (const CEntry& entry : m_entries) {
        known.push_back(entry.KindKnown);
    }
    return known;
}

int CThumbnailModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant CThumbnailModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const CEntry& entry = m_entries[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return entry.Name;
    case Qt::ToolTipRole:
        // A tooltip that looks like markup is shown as markup; a file name must read as it stands.
        return Qt::convertFromPlainText(entry.Name);
    case Qt::DecorationRole:
        return entry.Thumbnail;
    case KindRole:
        return entry.Kind;
    case VerdictFrameRole: {
        const std::optional<StegoVerdict> frame = VerdictFrame(index.row());
        return frame ? QVariant(static_cast<int>(*frame)) : QVariant();
    }
    case PictureRectRole:
        return entry.PictureRect;
    default:
        return {};
    }
}

const QImage& CThumbnailModel::Thumbnail(int row) const {
    static const QImage none;
    return row >= 0 && row < rowCount() ? m_entries[static_cast<std::size_t>(row)].Thumbnail : none;
}

void CThumbnailModel::SetThumbnail(int row, const QImage& thumbnail, const QRect& pictureRect) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    CEntry& entry = m_entries[static_cast<std::size_t>(row)];
    m_stored += (thumbnail.isNull() ? 0 : 1) - (entry.Thumbnail.isNull() ? 0 : 1);
    entry.Thumbnail = thumbnail;
    entry.PictureRect = pictureRect;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DecorationRole});
    if (m_stored > m_budget) {
        DropFarthest();
    }
}

bool CThumbnailModel::IsKindKnown(int row) const {
    return row >= 0 && row < rowCount() && m_entries[static_cast<std::size_t>(row)].KindKnown;
}

std::int32_t CThumbnailModel::Kind(int row) const {
    return row >= 0 && row < rowCount() ? m_entries[static_cast<std::size_t>(row)].Kind : 10;
}

bool CThumbnailModel::SetKind(int row, std::int32_t kind) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    CEntry& entry = m_entries[static_cast<std::size_t>(row)];
    const bool first = !entry.KindKnown;
    entry.KindKnown = true;
    if (entry.Kind != kind) {
        entry.Kind = kind;
        const QModelIndex changed = index(row);
        emit dataChanged(changed, changed, {KindRole, VerdictFrameRole});
    }
    return first;
}

void CThumbnailModel::SetVerdict(int row, StegoVerdict verdict) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    CEntry& entry = m_entries[static_cast<std::size_t>(row)];
    if (entry.Verdict == verdict) {
        return;
    }
    entry.Verdict = verdict;
    EmitVerdictFrameChanged(row);
}

std::vector<bool> CThumbnailModel::AnalysedRows() const {
    std::vector<bool> analysed;
    analysed.reserve(m_entries.size());
    for (const CEntry& entry : m_entries) {
        analysed.push_back(entry.Verdict.has_value());
    }
    return analysed;
}

void CThumbnailModel::SetVerdictFrames(bool shown) {
    if (shown == m_verdictFrames) {
        return;
    }
    m_verdictFrames = shown;
    if (rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), {VerdictFrameRole});
    }
}

std::optional<StegoVerdict> CThumbnailModel::VerdictFrame(int row) const {
    if (!m_verdictFrames || row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    const CEntry& entry = m_entries[static_cast<std::size_t>(row)];
    // What the passwords open has its own frame, which says more.
    if (entry.Kind > HiddenNothing || !entry.Verdict || *entry.Verdict == StegoVerdict::Clean) {
        return std::nullopt;
    }
    return entry.Verdict;
}

void CThumbnailModel::EmitVerdictFrameChanged(int row) {
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {VerdictFrameRole});
}

void CThumbnailModel::SetFocusRows(int first, int last) {
    m_focusFirst = first;
    m_focusLast = std::max(first, last);
}

void CThumbnailModel::SetBudget(int thumbnails) {
    m_budget = std::max(1, thumbnails);
    if (m_stored > m_budget) {
        DropFarthest();
    }
}

void CThumbnailModel::DropFarthest() {
    // Drops down to 90 % of the budget at once, so that a long pass pays for one sort every few hundred
    // thumbnails rather than for every one.
    const int keep = std::max(1, m_budget - m_budget / 10);
    std::vector<std::pair<int, int>> byDistance; // distance from the focus, row
    byDistance.reserve(static_cast<std::size_t>(m_stored));
    for (int row = 0; row < rowCount(); ++row) {
        if (!m_entries[static_cast<std::size_t>(row)].Thumbnail.isNull()) {
            const int distance = row < m_focusFirst ? m_focusFirst - row : std::max(0, row - m_focusLast);
            byDistance.emplace_back(distance, row);
        }
    }
    if (static_cast<int>(byDistance.size()) <= keep) {
        return;
    }
    std::nth_element(byDistance.begin(), byDistance.begin() + keep, byDistance.end());
    for (auto it = byDistance.begin() + keep; it != byDistance.end(); ++it) {
        m_entries[static_cast<std::size_t>(it->second)].Thumbnail = QImage();
        --m_stored;
        const QModelIndex changed = index(it->second);
        emit dataChanged(changed, changed, {Qt::DecorationRole});
    }
}

} // namespace veilpane
