#include "graphics/win/PopupMenuWin.h"

#include <cstdio>

namespace torvik {

namespace {

// Finds the menu holding id when menu's items start at firstId; nextId is
// advanced past every ID of menu's tree as it is numbered.
IPopupMenu* FindItem(IPopupMenu& menu, int firstId, int id, int& nextId) {
    nextId = firstId + menu.ItemCount();
    if (id >= firstId && id < nextId) {
        menu.SetChosenIndex(id - firstId);
        return &menu;
    }
    for (int i = 0; i < menu.ItemCount(); ++i) {
        IPopupMenu* submenu = menu.ItemAt(i).submenu;
        if (!submenu)
            continue;
        if (IPopupMenu* found = FindItem(*submenu, nextId, id, nextId))
            return found;
    }
    return nullptr;
}

} // namespace

std::string NumberedTitle(int numbering, int position, const std::string& title) {
    static const char* const kFormats[] = {nullptr, "%1d: %s", "%02d: %s", "%03d: %s"};
    if (numbering < IPopupMenu::kNumberOneDigit || numbering > IPopupMenu::kNumberThreeDigits)
        return title;
    const int size = std::snprintf(nullptr, 0, kFormats[numbering], position, title.c_str());
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), kFormats[numbering], position, title.c_str());
    text.resize(static_cast<std::size_t>(size));
    return text;
}

HMENU BuildPlatformMenu(const IPopupMenu& menu, int& nextId) {
    HMENU platform = CreatePopupMenu();
    if (!platform)
        return nullptr;
    const int firstId = nextId;
    nextId += menu.ItemCount();
    for (int i = 0; i < menu.ItemCount(); ++i) {
        const IPopupMenu::Item& item = menu.ItemAt(i);
        if (item.flags & IPopupMenu::kItemSeparator) {
            AppendMenuA(platform, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (item.flags & IPopupMenu::kItemGrayed)
            flags |= MF_GRAYED;
        if (item.flags & IPopupMenu::kItemDisabled)
            flags |= MF_DISABLED;
        if (item.flags & IPopupMenu::kItemChecked)
            flags |= MF_CHECKED;
        const std::string title = NumberedTitle(menu.Numbering(), i + 1, item.title);
        UINT_PTR command = static_cast<UINT_PTR>(firstId + i);
        if (item.submenu) {
            HMENU sub = BuildPlatformMenu(*item.submenu, nextId);
            if (sub) {
                flags |= MF_POPUP;
                command = reinterpret_cast<UINT_PTR>(sub);
            }
        }
        AppendMenuA(platform, flags, command, title.c_str());
    }
    return platform;
}

IPopupMenu* ChooseMenuItem(IPopupMenu& menu, int id) {
    int nextId = 0;
    return id >= 0 ? FindItem(menu, 0, id, nextId) : nullptr;
}

} // namespace torvik
