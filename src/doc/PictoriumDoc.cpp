#include "doc/PictoriumDoc.h"

#include "doc/CommandIds.h"
#include "doc/CommandTable.h"
#include "platform/MessageBoxes.h"
#include "platform/Paths.h"
#include "platform/StatusText.h"
#include "stego/HiddenContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace veilpane {

using namespace cmd;

CPictoriumDoc::CPictoriumDoc(const CDocServices& services, const QString& executablePath, QObject* parent)
    : QObject(parent), m_services(services) {
    SamplesFolder = SamplesFolderFor(executablePath);
    LoadSettings();
}

CPictoriumDoc::~CPictoriumDoc() {
    WipeTempImage();
}

std::int32_t CPictoriumDoc::SelectedKind() const {
    if (SelectedIndex < 0 || static_cast<std::size_t>(SelectedIndex) >= HiddenKinds.size()) {
        return HiddenNothing;
    }
    return HiddenKinds[static_cast<std::size_t>(SelectedIndex)];
}

QString CPictoriumDoc::EntryPath(int index) const {
    if (index < 0 || index >= FileNames.size()) {
        return {};
    }
    return PathInFolder(CurrentFolder, FileNames[index]);
}

bool CPictoriumDoc::IsImageModified() const {
    return HasImage() && m_imageState != m_savedState;
}

void CPictoriumDoc::MarkImageUnchanged() {
    m_imageState = ++m_lastState;
    m_savedState = m_imageState;
}

bool CPictoriumDoc::CanLeaveCurrentImage() {
    // A document without message boxes has no user to ask (the desktop program always passes them).
    if (!IsImageModified() || !m_services.Messages) {
        return true;
    }
    const QString name =
        SelectedIndex >= 0 && SelectedIndex < FileNames.size() ? FileNames[SelectedIndex] : QString();
    const MessageResult answer = m_services.Messages->Show(
        CUserMessage::AppBox(
            QStringLiteral("The changes to \"%1\" are not saved.\n\nSave them before leaving the image?")
                .arg(name)),
        MessageButtons::SaveDiscardCancel);
    switch (answer) {
    case MessageResult::Save:
        return SaveImageInChosenFormat();
    case MessageResult::Discard:
        return true;
    default:
        return false;
    }
}

void CPictoriumDoc::SetStatus(const QString& text) {
    if (m_services.Status) {
        m_services.Status->SetStatusText(text);
    }
}

void CPictoriumDoc::NotifyImageChanged() {
    emit ImageChanged();
    emit StateChanged();
}

void CPictoriumDoc::PushUndo() {
    // A copy that cannot be made (no image, or no memory) records no step rather than an empty one that
    // an Undo would swap in as "no image"; the redo states are discarded all the same.
    std::unique_ptr<CBitmap> state;
    if (CurrentImage && CurrentImage->IsValid()) {
        state = std::make_unique<CBitmap>(CurrentImage->Copy());
    }
    PushUndoState(std::move(state));
}

void CPictoriumDoc::PushUndoState(std::unique_ptr<CBitmap> state) {
    if (UndoPosition > UndoDepth - 1) {
        for (int i = 0; i < UndoDepth - 1; ++i) {
            UndoSlots[static_cast<std::size_t>(i)] = std::move(UndoSlots[static_cast<std::size_t>(i + 1)]);
            m_undoStates[static_cast<std::size_t>(i)] = m_undoStates[static_cast<std::size_t>(i + 1)];
        }
        UndoSlots[UndoDepth - 1].reset();
        UndoPosition = UndoDepth - 1;
    }
    for (int i = UndoPosition; i < UndoDepth; ++i) {
        UndoSlots[static_cast<std::size_t>(i)].reset();
    }
    if (state && state->IsValid()) {
        // The state handed over is always the image as it is before the change the caller makes now.
        UndoSlots[static_cast<std::size_t>(UndoPosition)] = std::move(state);
        m_undoStates[static_cast<std::size_t>(UndoPosition)] = m_imageState;
        ++UndoPosition;
    }
    emit StateChanged();
}

void CPictoriumDoc::ClearUndo() {
    for (auto& slot : UndoSlots) {
        slot.reset();
    }
    UndoPosition = 0;
    emit StateChanged();
}

void CPictoriumDoc::OnEditUndo() {
    if (!CommandState(Undo).Enabled || !UndoSlots[static_cast<std::size_t>(UndoPosition - 1)]) {
        return;
    }
    --UndoPosition;
    std::swap(CurrentImage, UndoSlots[static_cast<std::size_t>(UndoPosition)]);
    std::swap(m_imageState, m_undoStates[static_cast<std::size_t>(UndoPosition)]);
    HiddenDataAdded = false;
    NotifyImageChanged();
}

void CPictoriumDoc::OnEditRedo() {
    if (!CommandState(Redo).Enabled) {
        return;
    }
    std::swap(CurrentImage, UndoSlots[static_cast<std::size_t>(UndoPosition)]);
    std::swap(m_imageState, m_undoStates[static_cast<std::size_t>(UndoPosition)]);
    ++UndoPosition;
    HiddenDataAdded = false;
    NotifyImageChanged();
}

void CPictoriumDoc::SelectImage(int index, const QString& hiddenImageName, const QString& hiddenText) {
    if (index == SelectedIndex) {
        return;
    }
    // The image an operation or a long task works on is never disposed under it.
    if (!IsIdle()) {
        return;
    }
    CurrentImage.reset();
    MarkImageUnchanged();
    SelectedIndex = index;
    ClearUndo();
    if (index < 0 || index >= FileNames.size()) {
        // Nothing is selected: nothing of the image before stays on show.
        WipeTempImage();
        Preview = CPreviewTexts{};
        emit PreviewChanged();
        NotifyImageChanged();
        SetStatus(QString());
        return;
    }
    const std::int32_t kind = SelectedKind();
    const bool showHiddenImage = !hiddenImageName.isEmpty() && kind == HiddenImage;
    const QString path = showHiddenImage ? HiddenFilePath(TempFolder(), hiddenImageName) : EntryPath(index);
    // Two carriers may hide images of the same name: the one just extracted for this entry must survive.
    if (TempImagePath != path) {
        WipeTempImage();
    }
    if (showHiddenImage) {
        TempImagePath = path;
    }

    if (hiddenText.isEmpty()) {
        Preview = CPreviewTexts{};
    } else {
        Preview = CPreviewTexts{QStringLiteral("Secret message:"), hiddenText, true, true};
    }

    CurrentImage = std::make_unique<CBitmap>(CBitmap::Load(path));
    HiddenDataAdded = false;
    MarkImageUnchanged();

    QString status;
    if (CurrentImage->LastStatus() == CBitmap::Status::OutOfMemory) {
        // Refused for its size (or the memory ran out): the status says why rather than show 0x0.
        status =
            QStringLiteral("Cannot open %1: %2").arg(QFileInfo(path).fileName(), CurrentImage->ErrorText());
    } else if (hiddenImageName.isEmpty()) {
        const std::uint32_t width = CurrentImage->Width();
        const std::uint32_t height = CurrentImage->Height();
        const std::uint32_t pixels = width * height;
        status = QStringLiteral("%1x%2 Storage capacity: %3 Ks (%4 bytes)")
                     .arg(width)
                     .arg(height)
                     .arg(pixels >> 13)
                     .arg(pixels / 8);
    } else if (kind == HiddenImage) {
        status = QStringLiteral("%1 (hidden image)").arg(hiddenImageName);
    } else {
        status = QStringLiteral("%1 (hidden file) Use File/Extract").arg(hiddenImageName);
        if (kind != HiddenMessage) {
            Preview = CPreviewTexts{status, Preview.MessageText, true, false};
        }
    }
    emit PreviewChanged();
    NotifyImageChanged();
    SetStatus(status);
}

QString CPictoriumDoc::TempFolder() const {
    if (!m_tempDir) {
        auto* self = const_cast<CPictoriumDoc*>(this);
        self->m_tempDir = std::make_unique<QTemporaryDir>();
    }
    return m_tempDir->isValid() ? m_tempDir->path() : QString();
}

void CPictoriumDoc::WipeTempImage() {
    if (TempImagePath.isEmpty()) {
        return;
    }
    QFile file(TempImagePath);
    if (file.exists()) {
        // Emptied before it goes, so that its content does not linger in a recoverable file.
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.close();
        }
        file.remove();
    }
    TempImagePath.clear();
}

void CPictoriumDoc::SetHiddenKind(int index, std::int32_t kind) {
    if (index < 0 || static_cast<std::size_t>(index) >= HiddenKinds.size()) {
        return;
    }
    HiddenKinds[static_cast<std::size_t>(index)] = kind;
    emit HiddenKindChanged(index);
    if (index == SelectedIndex) {
        emit StateChanged();
    }
}

CCommandState CPictoriumDoc::CommandState(int id) const {
    const CCommandRow* row = FindCommand(id);
    return row ? RuleState(row->Rule) : CCommandState{};
}

CCommandState CPictoriumDoc::RuleState(EnableRule rule) const {
    const bool idle = IsIdle();
    const bool image = HasImage() && idle;
    const std::int32_t kind = SelectedKind();
    const bool listed = !HiddenKinds.empty();
    const bool hideable = image && listed && !HiddenDataAdded && kind <= HiddenNothing;
    CCommandState state;
    switch (rule) {
    case EnableRule::Always:
        break;
    case EnableRule::NoLongTask:
        // Nothing may change the files, the folder or the image under long file work.
        state.Enabled = !LongTaskRunning;
        break;
    case EnableRule::Idle:
        state.Enabled = idle;
        break;
    case EnableRule::Image:
        state.Enabled = image;
        break;
    case EnableRule::UnmarkedImage:
        state.Enabled = image && !HiddenDataAdded;
        break;
    case EnableRule::EditableImage:
        state.Enabled = image && kind <= HiddenNothing;
        break;
    case EnableRule::HiddenContent:
        state.Enabled = image && listed && kind != HiddenNothing;
        break;
    case EnableRule::HideFile:
        state.Enabled = hideable && !FileToHide.isEmpty();
        break;
    case EnableRule::HideMessage:
        state.Enabled = hideable && !SecretMessage.isEmpty();
        break;
    case EnableRule::FileToHideChosen:
        state.Enabled = !FileToHide.isEmpty();
        break;
    case EnableRule::Folder:
        // A folder command never acts on part of the list.
        state.Enabled = !CurrentFolder.isEmpty() && idle && !m_scanPending;
        break;
    case EnableRule::OrderByName:
    case EnableRule::OrderByDate:
    case EnableRule::OrderBySize:
        state.Checked =
            static_cast<int>(rule) - static_cast<int>(EnableRule::OrderByName) == static_cast<int>(ListOrder);
        break;
    case EnableRule::FrameByAnalysis:
        state.Checked = FrameByAnalysis;
        break;
    case EnableRule::Undo:
        state.Enabled = image && UndoPosition > 0;
        state.Text = QStringLiteral("&Undo (%1)").arg(UndoPosition);
        break;
    case EnableRule::Redo:
        state.Enabled =
            image && UndoPosition < UndoDepth && UndoSlots[static_cast<std::size_t>(UndoPosition)];
        break;
    case EnableRule::FileToHideItem:
        state.Text = UpdateFileToHideItem(&state.Checked);
        break;
    case EnableRule::MessageToHideItem:
        state.Text = UpdateMessageToHideItem(&state.Checked);
        break;
    }
    return state;
}

bool CPictoriumDoc::Execute(int id) {
    const CCommandRow* row = FindCommand(id);
    if (!row || !row->Run) {
        return false;
    }
    if (RuleState(row->Rule).Enabled) {
        row->Run(*this);
    }
    return true;
}

} // namespace veilpane
