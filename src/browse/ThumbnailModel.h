#pragma once

#include "stego/StegoAnalysis.h"

#include <QAbstractListModel>
#include <QImage>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace veilpane {

// The rows of the thumbnail list: the listed name, the thumbnail once drawn, and the kind once known.
// Thumbnails are kept as 24-bit images within a budget; past it the rows farthest from the ones in view
// lose theirs and are drawn again when they come back into view.
class CThumbnailModel : public QAbstractListModel {
    Q_OBJECT

public:
    // VerdictFrameRole: the StegoVerdict (as int) whose frame the row shows, invalid for none;
    // PictureRectRole: where the picture lies in the thumbnail.
    enum Role { KindRole = Qt::UserRole + 1, VerdictFrameRole, PictureRectRole };

    // About 180 MB of 150 x 135 x 3-byte thumbnails.
    static constexpr int DefaultBudget = 3000;

    explicit CThumbnailModel(QObject* parent = nullptr);

    void Reset(const QStringList& names);
    // The list changed in place (a rescan, another order): previousRows gives each new row's old row, or
    // -1 for a row to draw anew. Rows keep their thumbnails and kinds, and the selection and current item
    // follow their rows; rows that are gone drop out of both.
    void Rearrange(const QStringList& names, const QList<int>& previousRows);
    // Every kind is to be found again (the passwords changed); the kinds stay shown until then.
    void ForgetKinds();
    std::vector<bool> KnownRows() const;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const QImage& Thumbnail(int row) const;
    void SetThumbnail(int row, const QImage& thumbnail, const QRect& pictureRect = {});
    bool IsKindKnown(int row) const;
    std::int32_t Kind(int row) const;
    // Returns true when the kind was not known before (the first word on this row).
    bool SetKind(int row, std::int32_t kind);

    // What the analysis concluded on a row; kept across password changes and reorders (it needs no
    // password), dropped with a rewritten file's row.
    void SetVerdict(int row, StegoVerdict verdict);
    std::vector<bool> AnalysedRows() const;
    // Whether flagged rows show the verdict frame: only those whose kind shows no frame of its own.
    void SetVerdictFrames(bool shown);
    // The verdict whose frame the row shows now, if any.
    std::optional<StegoVerdict> VerdictFrame(int row) const;

    // The rows in view: kept when thumbnails have to be dropped.
    void SetFocusRows(int first, int last);
    void SetBudget(int thumbnails);
    int StoredThumbnails() const { return m_stored; }

private:
    void DropFarthest();

    struct CEntry {
        QString Name;
        QImage Thumbnail;
        std::int32_t Kind = 10;
        bool KindKnown = false;
        QRect PictureRect;
        std::optional<StegoVerdict> Verdict;
    };
    void EmitVerdictFrameChanged(int row);
    std::vector<CEntry> m_entries;
    int m_stored = 0;
    int m_budget = DefaultBudget;
    int m_focusFirst = 0;
    int m_focusLast = 0;
    bool m_verdictFrames = false;
};

} // namespace veilpane
