#pragma once

#include "crypto/PasswordSet.h"
#include "doc/CommandState.h"
#include "doc/FolderScan.h"
#include "platform/Bitmap.h"
#include "stego/HideEngine.h"
#include "stego/PayloadFormat.h"
#include "stego/ReportStatistics.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace veilpane {

class CClipboard;
class CCursor;
class CDialogs;
class CFileDialog;
class CMessageBoxes;
class CSettingsStore;
class CShellOpen;
class CStatusText;
class CTaskRunner;
class CThumbnailCache;
class CToolWindows;
struct CFolderPlan;

// The services the document reaches the user and the system through. The desktop program passes its Qt
// implementations; tests pass scripted fakes. All must outlive the document.
struct CDocServices {
    CSettingsStore* Settings = nullptr;
    CMessageBoxes* Messages = nullptr;
    CFileDialog* Files = nullptr;
    CStatusText* Status = nullptr;
    CToolWindows* ToolWindows = nullptr;
    CCursor* Cursor = nullptr;
    CClipboard* Clipboard = nullptr;
    CShellOpen* Shell = nullptr;
    CDialogs* Dialogs = nullptr;
    CTaskRunner* Tasks = nullptr;
    // The private thumbnail and detection cache; none: every visit draws afresh.
    CThumbnailCache* ThumbnailCache = nullptr;
};

// What the Image Preview window shows under the image: a label and a read-only message box.
struct CPreviewTexts {
    QString LabelText;
    QString MessageText;
    bool ShowLabel = false;
    bool ShowMessage = false;
    bool operator==(const CPreviewTexts&) const = default;
};

inline constexpr int UndoDepth = 10;

// What Help / Go to Veilpane Official Web Site opens: the project's page when the build names one
// (configuredAddress), otherwise the manual that sits one folder above the Samples folder, as a file;
// an empty address when there is neither.
QUrl WebPageFor(const QString& configuredAddress, const QString& samplesFolder);

// The one document: the current folder and its images, the current image with its undo history, what is
// chosen for hiding, the password set and the message texts, and every command of the program but the
// window toggles. A QObject without widgets; windows listen to its signals and ask CommandState() for
// their menus.
class CPictoriumDoc : public QObject {
    Q_OBJECT

public:
    // Sets the defaults, finds the Samples folder beside executablePath's folder and loads the settings
    // (which on a first run shows the disclaimer).
    CPictoriumDoc(const CDocServices& services, const QString& executablePath, QObject* parent = nullptr);
    ~CPictoriumDoc() override;

    // --- Fields ---------------------------------------------------------------------------------------
    std::unique_ptr<CBitmap> CurrentImage;
    bool WorkerThread = false; // an image operation runs
    int PendingOperation = 0;
    int OperationValue = 0;
    bool HiddenDataAdded = false;
    int FileCount = 0;
    int EncryptedCount = 0;
    int ImageCount = 0;
    QString CurrentFolder;
    QStringList FileNames; // the listed images as they are named on disk, in ListOrder
    FolderOrder ListOrder = FolderOrder::Name;
    // Thumbnails the steganalysis flags get a frame even when no password opens them.
    bool FrameByAnalysis = false;
    // The entries highlighted in the list, by name; the commands that take several files act on them.
    QStringList MarkedNames;
    std::vector<std::int32_t> HiddenKinds;
    QString TempImagePath;
    QString FileToHide;
    QString SecretMessage;
    int SecretMessageSave = 1;
    QString CryMessageIn;
    QString CryMessageOut;
    int CryMessagesInOutSave = 1;
    CPasswordSet PasswordSet; // Passwords, PasswordRadioCry, PasswordSaveCry
    QString SamplesFolder;
    CReportStatistics Statistics; // SavedHistogram, HistogramDifference, HistogramPhase
    std::array<std::unique_ptr<CBitmap>, UndoDepth> UndoSlots;
    int UndoPosition = 0;
    int SelectedIndex = -1;
    bool LongTaskRunning = false; // a large hide or a file or folder encryption runs off the UI thread
    CPreviewTexts Preview;

    // --- State ----------------------------------------------------------------------------------------
    bool IsIdle() const { return !WorkerThread && !LongTaskRunning; }
    bool HasImage() const { return CurrentImage != nullptr; }
    // The kind of the selected entry, or 10 when nothing valid is selected.
    std::int32_t SelectedKind() const;
    // The full path of list entry index.
    QString EntryPath(int index) const;
    // An edit or a hide changed the current image since it was loaded or last saved. Undoing back to that
    // state makes it unmodified again.
    bool IsImageModified() const;
    // Asks before a modified current image is left (another selection, another folder, the program's end):
    // Save, Discard or Cancel. True when the image may go: it was not modified, was saved, or the user
    // discarded it. A cancelled or failed save counts as Cancel.
    bool CanLeaveCurrentImage();

    // Enabled, checked and menu text of a command: the answer to its row's rule (a default state for ids
    // without a row).
    CCommandState CommandState(int id) const;
    CCommandState RuleState(EnableRule rule) const;
    // Runs a command by id when its rule enables it. Returns false for ids the document does not run
    // (the main window's own commands, the information items, unknown ids).
    bool Execute(int id);

    // --- Undo (doc/PictoriumDoc.cpp) ---------------------------------------------------------------
    void PushUndo();
    void ClearUndo();
    void OnEditUndo();
    void OnEditRedo();
    void SelectImage(int index, const QString& hiddenImageName, const QString& hiddenText);
    void WipeTempImage();
    // The private folder where extracted hidden images are shown from.
    QString TempFolder() const;
    // Stores a kind found by the thumbnail loader.
    void SetHiddenKind(int index, std::int32_t kind);

    // --- Settings (doc/DocSettings.cpp) --------------------------------------------------------------
    void LoadSettings();
    void SaveSettings();
    static QString SamplesFolderFor(const QString& executablePath);
    static QString DisclaimerText();
    void ShowDisclaimer();
    void OnGoToSamplesFolder();
    void OnOpenFolder();
    void OnDisclaimer();
    void OnWebSite();
    void OnFrameColors();
    void OnAbout();

    // --- Folder scan (doc/DocFolder.cpp) -----------------------------------------------------------
    // False when the folder was not loaded: busy, or the user kept a modified image.
    bool LoadFolder(const QString& folder);
    void OnRefreshFolder();
    // toStatus: a summary of a folder with images also goes to the status bar.
    void CountSummary(bool toStatus = true);
    // The folder is watched while it is current: a change on disk brings a fresh scan within a second,
    // taken off the user-interface thread and applied by ApplyFolderScan. Also asked for after the
    // program's own file work. A scan found while the document is busy waits until it is idle.
    void ScheduleRescan();
    bool IsRescanPending() const;
    // The scan of a folder just chosen has not completed: the list is empty or holds its first images
    // only, and the commands that act on the whole folder wait.
    bool IsFolderScanPending() const { return m_scanPending; }
    // Brings the lists in line with a scan of the current folder: entries keep their kinds unless their
    // file was rewritten, the selection stays on its file, and a modified current image keeps its entry.
    void ApplyFolderScan(const CFolderScan& scan);
    void SetListOrder(FolderOrder order);
    void OnSortByName() { SetListOrder(FolderOrder::Name); }
    void OnSortByDate() { SetListOrder(FolderOrder::Date); }
    void OnSortBySize() { SetListOrder(FolderOrder::Size); }
    void OnClearThumbnailCache();
    void OnFrameByAnalysis();

    // --- Image files (doc/DocImageFiles.cpp) -------------------------------------------------------
    bool SaveImageAs(const QString& extension);
    // The path SaveImageAs writes: the listed file's path cut at its last full stop, the suffix and the
    // extension. Empty when there is no selection.
    QString SavePathFor(const QString& extension) const;
    // Lets the user choose one of the formats the current image may be saved in now and saves it there.
    // False when the choice was cancelled or the save failed.
    bool SaveImageInChosenFormat();

    // --- Hide and extract (doc/DocHideCommands.cpp) ------------------------------------------------
    void OnSelectFileToHide();
    // The file to hide, chosen by the dialog or dropped on the preview.
    void ChooseFileToHide(const QString& path);
    void OnUnselectFileToHide();
    void OnHideFile();
    void OnHideMessage();
    QString UpdateFileToHideItem(bool* checked = nullptr) const;
    QString UpdateMessageToHideItem(bool* checked = nullptr) const;
    void OnExtractHiddenFile();
    void OnEnterSecretMessage();
    // Hides of more payload bytes than this run off the user-interface thread.
    static constexpr std::int64_t LongHideBytes = 1 << 20;

    // --- Encryption (doc/DocCryptoCommands.cpp) ---------------------------------------------------
    void OnEncryptFile();
    void OnDecryptFile();
    void OnEncryptFolder();
    // Encrypts (or decrypts) the given files, after a question, through the same run as a folder's.
    // Files are grouped by their folder; what is not a regular file is left out.
    void EncryptFiles(const QStringList& paths);
    void DecryptFiles(const QStringList& paths);
    void OnDecryptFolder();
    void OnEncryptDecryptMessage();
    void OnSettingsPasswords();

    // --- Image operations (doc/DocImageOperations.cpp) --------------------------------------------
    // Records the operation of Edit command id (and for Gamma Colors and Threshold its value) as
    // PendingOperation and OperationValue and runs it on a copy of CurrentImage off the user-interface
    // thread; the document is busy until the result is committed. Does nothing when the command is not
    // enabled. The plain operations' rows run this directly.
    void StartImageOperation(int id, int value = 0);
    void OnGammaColors();
    void OnThreshold();

    const CDocServices& Services() const { return m_services; }

signals:
    // Something the enable rules read changed: menus and toolbar refresh.
    void StateChanged();
    // CurrentImage was replaced or its pixels changed: the Image Preview lays out and repaints.
    void ImageChanged();
    // The Image Preview's label and message changed.
    void PreviewChanged();
    // A folder change is about to clear the lists: the thumbnail loader must stop before this returns.
    void FolderAboutToChange();
    // Another folder is current and its list empty: the thumbnail list reloads. Its scan runs; the images
    // come with FolderListChanged (IsFolderScanPending until the whole folder is listed).
    void FolderLoaded();
    // The summary label of an image-less folder: shown with text, or hidden when text is empty.
    void SummaryLabelChanged(const QString& text);
    // One entry's kind changed.
    void HiddenKindChanged(int index);
    // A rescan or another order changed the list in place: previousRows gives, for every row now, the row
    // it had before, or -1 for a file that is new or was rewritten.
    void FolderListChanged(const QList<int>& previousRows);
    // The passwords changed: what every image carries is to be found again.
    void PasswordsChanged();
    // FrameByAnalysis changed: the list frames or unframes what the analysis flags.
    void FrameByAnalysisChanged();

private:
    // Long file work of the Encrypt menu (doc/DocCryptoCommands.cpp).
    void RunFileTask(const QString& title, std::function<CResult<>()> work);
    void RunFolderTask(const QString& title, bool encrypt, const QList<CFolderPlan>& plans);
    void RunFilesTask(const QStringList& paths, bool encrypt);

    // --- Folder watch (doc/DocFolderWatch.cpp) --------------------------------------------------------
    void WatchFolder();
    void SyncWatches();
    void OnFolderScanned(const CFolderScan& scan);
    void OnRescanDue();
    void ApplyCounts(const CFolderScan& scan, bool toStatus);

    void SetStatus(const QString& text);
    void NotifyImageChanged();
    // The current image's pixels were replaced by an edit or a hide.
    void MarkImageChanged() { m_imageState = ++m_lastState; }
    // The current image is what its file holds (just loaded, or none at all).
    void MarkImageUnchanged();

    // --- Hide helpers (doc/DocHideCommands.cpp) -----------------------------------------------------
    // A hide as a value: runs on whatever image and statistics it is given, touching nothing else.
    using CHideWork = std::function<CHideResult(CBitmap*, CReportStatistics&)>;
    void RunHide(const QString& title, const QString& subject, std::int64_t payloadBytes, CHideWork work);
    void FinishHide(const CHideResult& result);

    // --- Image operation helpers (doc/DocImageOperations.cpp) ---------------------------------------
    // Back on the user-interface thread: the old image becomes an undo step and the result the current
    // image. An empty result (the imaging failed) keeps the image, with the undo step all the same.
    void CommitImageOperation(std::unique_ptr<CBitmap> result);
    // PushUndo for a state the caller hands over, so that a replaced image needs no second copy.
    void PushUndoState(std::unique_ptr<CBitmap> state);

    CDocServices m_services;
    std::vector<CFolderEntry> m_entries; // beside FileNames: what a rescan compares against
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_rescanTimer = nullptr;
    QTimer* m_watchTimer = nullptr;
    CFolderScanner* m_scanner = nullptr;
    QStringList m_touched; // files the watcher reported changed since the last scan
    bool m_rescanAgain = false;
    bool m_scanPending = false;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    // Every state of the current image gets a number; the undo slots keep the numbers of theirs. The image
    // is modified while its number differs from the one it had when it was loaded or last saved.
    std::uint64_t m_lastState = 0;
    std::uint64_t m_imageState = 0;
    std::uint64_t m_savedState = 0;
    // The file this session saved last, as it was right after: saving there again replaces it without a
    // question, any other file in the way is asked about.
    QString m_lastSavedPath;
    QDateTime m_lastSavedTime;
    std::array<std::uint64_t, UndoDepth> m_undoStates{};
};

} // namespace veilpane
