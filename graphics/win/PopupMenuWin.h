#pragma once
// An IPopupMenu as a Win32 popup menu. Command IDs run consecutively over the
// whole tree: a menu's own items first, then its submenus' items, depth first.
#include "graphics/PopupMenu.h"

#include <windows.h>

namespace torvik {

// Builds the platform menu of menu with its items' IDs starting at nextId,
// which is left after the last ID used. None when a menu cannot be created.
HMENU BuildPlatformMenu(const IPopupMenu& menu, int& nextId);

// The menu (menu itself or one of its submenus) that the command ID of a menu
// built from ID 0 selects, with the item's index stored as its chosen index;
// none for an ID outside the tree.
IPopupMenu* ChooseMenuItem(IPopupMenu& menu, int id);

// A title as the numbering style shows it: "%1d: %s", "%02d: %s" or "%03d: %s"
// with the item's position counted from 1, or the title alone.
std::string NumberedTitle(int numbering, int position, const std::string& title);

} // namespace torvik
