#pragma once

#include "doc/CommandIds.h"

#include <QList>
#include <QString>

namespace veilpane {

// One command as menus, toolbar and status bar present it.
struct CCommandInfo {
    int Id = 0;
    QString MenuText; // with "&" before the access key; empty for commands without a menu item
    QString Prompt;   // the status-bar prompt while the item is highlighted
    QString Tooltip;  // the toolbar tooltip
};

// Every command with its texts.
const QList<CCommandInfo>& CommandTable();
const CCommandInfo* FindCommand(int id);

// A top-level menu: its title and its items in order, 0 standing for a separator.
struct CMenuInfo {
    QString Title;
    QList<int> Items;
};
const QList<CMenuInfo>& MenuLayout();

// The toolbar's buttons left to right; 0 is a gap.
const QList<int>& ToolbarLayout();

// What the enable pass sets on a command's menu item and toolbar button.
struct CCommandState {
    bool Enabled = true;
    bool Checked = false;
    QString Text; // empty: keep the table's text

    bool operator==(const CCommandState&) const = default;
};

} // namespace veilpane
