#pragma once

#include "doc/CommandIds.h"
#include "doc/CommandPictures.h"
#include "doc/CommandState.h"
#include "image/ImageOperations.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace veilpane {

class CPictoriumDoc;

// The menus of the menu bar, left to right.
enum class Menu { None, File, Hide, Encrypt, Settings, Edit, View, Help };

struct CMenuInfo {
    Menu Id = Menu::None;
    QString Title{};
};
const QList<CMenuInfo>& MenuBar();

// One command: everything its menu item, toolbar button, status-bar prompt and the enable pass need, and
// what it runs. A menu lists its rows in table order.
struct CCommandRow {
    int Id = 0;
    Menu InMenu = Menu::None;
    bool SeparatorBefore = false; // a separator above the item in its menu
    QString MenuText{};           // with "&" before the access key
    QString Prompt{};             // the status-bar prompt while the item is highlighted
    QString Tooltip{};            // the toolbar tooltip; empty: none of its own
    CPainting Picture = nullptr;  // null: text only
    bool PictureInMenu = true;    // false: only the toolbar shows the picture; the menu shows the check mark
    bool Checkable = false;
    QList<QKeySequence> Shortcuts{};
    EnableRule Rule = EnableRule::Always;
    // What the document runs. Empty for the commands only a window can carry out (the main window runs
    // those) and for the information items, which run nothing.
    std::function<void(CPictoriumDoc&)> Run{};
    // The image operation of an Edit-menu command.
    std::optional<ImageOperation> Operation{};
};

// Every command, in menu order.
const QList<CCommandRow>& CommandTable();
// nullptr for ids without a row.
const CCommandRow* FindCommand(int id);

// The toolbar's buttons left to right; 0 is a gap.
const QList<int>& ToolbarLayout();

} // namespace veilpane
