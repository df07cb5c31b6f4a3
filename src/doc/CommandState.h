#pragma once

#include <QString>

namespace veilpane {

// What the enable pass sets on a command's menu item and toolbar button.
struct CCommandState {
    bool Enabled = true;
    bool Checked = false;
    QString Text; // empty: keep the table's text

    bool operator==(const CCommandState&) const = default;
};

// When a command is offered, named after what it needs. Each row of the command table names one; the
// document answers them from its fields (CPictoriumDoc::RuleState). "Image" below means an image is shown
// and the document is idle: nothing may touch the image under an operation or long file work.
enum class EnableRule {
    Always,           // help, print setup, the window toggles
    NoLongTask,       // commands that only ask, or start file work: not while long file work runs
    Idle,             // neither an image operation nor long file work runs
    Image,            // saving and printing what is shown
    UnmarkedImage,    // an Image nothing was hidden in since it was loaded (JPEG and GIF would lose it)
    EditableImage,    // an Image of an entry that hides nothing
    HiddenContent,    // an Image of a listed entry that hides something
    HideFile,         // an editable, unmarked, listed Image and a file chosen to hide
    HideMessage,      // the same with a secret message
    FileToHideChosen, // a file is chosen to hide
    Folder,           // a current folder listed whole, and Idle
    OrderByName,      // always; checked while the list is in that order
    OrderByDate,
    OrderBySize,
    FrameByAnalysis,   // always; checked while flagged thumbnails are framed
    Undo,              // an Image with a step to undo; titled with the number of steps
    Redo,              // an Image with an undone step to take again
    FileToHideItem,    // titled and checked by the file chosen to hide
    MessageToHideItem, // titled and checked by the secret message
};

} // namespace veilpane
