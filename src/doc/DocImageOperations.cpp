// The Edit menu's image operations: commands, value dialogs and the worker.
#include "doc/PictoriumDoc.h"

#include "doc/CommandIds.h"
#include "doc/CommandTable.h"
#include "image/ImageOperations.h"
#include "platform/Dialogs.h"
#include "platform/TaskRunner.h"

#include <QPointer>

namespace veilpane {

using namespace cmd;

namespace {

constexpr double InitialGamma = 0.5;
constexpr int InitialThresholdLevel = 0;

} // namespace

void CPictoriumDoc::OnGammaColors() {
    if (!CommandState(GammaColors).Enabled || !m_services.Dialogs) {
        return;
    }
    double gamma = InitialGamma;
    if (!m_services.Dialogs->RunGamma(gamma)) {
        return;
    }
    StartImageOperation(GammaColors, GammaOperationValue(gamma));
}

void CPictoriumDoc::OnThreshold() {
    if (!CommandState(Threshold).Enabled || !m_services.Dialogs) {
        return;
    }
    int level = InitialThresholdLevel;
    if (!m_services.Dialogs->RunThreshold(level)) {
        return;
    }
    StartImageOperation(Threshold, level);
}

void CPictoriumDoc::StartImageOperation(int id, int value) {
    // A handler called directly (not through Execute) obeys the same rule as the menu item, and
    // PendingOperation and OperationValue are only ever written while no operation runs.
    const CCommandRow* row = FindCommand(id);
    if (!row || !row->Operation || !RuleState(row->Rule).Enabled || !m_services.Tasks) {
        return;
    }
    const ImageOperation operation = *row->Operation;
    PendingOperation = id;
    if (operation == ImageOperation::Gamma || operation == ImageOperation::Threshold) {
        OperationValue = value;
    }

    // The worker gets a shallow copy: the pixels are shared until someone writes, and nobody writes the
    // current image while the document is busy. Whatever happens to CurrentImage meanwhile (the window
    // closing, for one), the worker's copy stays alive until the worker lets it go.
    struct CRun {
        CBitmap Source;
        std::unique_ptr<CBitmap> Result;
        bool Cancelled = false;
    };
    auto run = std::make_shared<CRun>();
    run->Source = *CurrentImage;
    const QString title = row->Tooltip;

    // Busy before the work can possibly finish, so that its end is never overwritten by this start.
    WorkerThread = true;
    emit StateChanged();

    QPointer<CPictoriumDoc> self(this);
    m_services.Tasks->Start(
        title,
        [run, operation, value, title](CTaskProgress& progress) {
            progress.Report(0, 1, title);
            run->Result = std::make_unique<CBitmap>(ApplyImageOperation(run->Source, operation, value));
            run->Source = CBitmap();
            progress.Report(1, 1, title);
            // The operation cannot stop half-way; a cancel that came while it ran drops its result.
            run->Cancelled = progress.CancelRequested();
        },
        [self, run] {
            if (!self) {
                return; // the document is gone; the worker only ever touched its own copy
            }
            if (run->Cancelled) {
                self->WorkerThread = false;
                emit self->StateChanged();
                return;
            }
            self->CommitImageOperation(std::move(run->Result));
        });
}

void CPictoriumDoc::CommitImageOperation(std::unique_ptr<CBitmap> result) {
    WorkerThread = false;
    if (CurrentImage) {
        if (result && result->IsValid()) {
            // The replaced image is the undo step itself: no copy of a large image on this thread.
            std::unique_ptr<CBitmap> previous = std::move(CurrentImage);
            CurrentImage = std::move(result);
            PushUndoState(std::move(previous));
            MarkImageChanged();
        } else {
            PushUndo();
        }
    }
    HiddenDataAdded = false;
    NotifyImageChanged();
}

} // namespace veilpane
