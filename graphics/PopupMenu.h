#pragma once
// A popup menu as the value entry builds it: titled items, some checked,
// grayed, disabled or separators, some opening a submenu; an optional
// numbering of the titles; and the index the user chose.
#include <string>
#include <vector>

namespace torvik {

class IPopupMenu {
public:
    // Item flags.
    enum : int { kItemGrayed = 1, kItemDisabled = 2, kItemChecked = 4, kItemSeparator = 8 };
    // Title numbering: none, or "%1d: ", "%02d: ", "%03d: " before each title.
    enum : int {
        kNumberNone = 0,
        kNumberOneDigit = 1,
        kNumberTwoDigits = 2,
        kNumberThreeDigits = 3
    };

    struct Item {
        std::string title;
        bool checked = false;
        int flags = 0;                 // kItem... flags; kItemChecked when checked
        IPopupMenu* submenu = nullptr; // not owned
    };

    void AddItem(const char* title, bool checked = false) {
        items.push_back({title ? title : "", checked, checked ? kItemChecked : 0, nullptr});
    }
    void AddItem(const char* title, int flags, IPopupMenu* submenu) {
        items.push_back({title ? title : "", (flags & kItemChecked) != 0, flags, submenu});
    }
    void AddSeparator() { items.push_back({"", false, kItemSeparator, nullptr}); }
    int ItemCount() const { return static_cast<int>(items.size()); }
    const Item& ItemAt(int i) const { return items[static_cast<std::size_t>(i)]; }
    // Index of the item the user chose, -1 for none.
    int ChosenIndex() const { return chosenIndex; }
    void SetChosenIndex(int i) { chosenIndex = i; }
    int Numbering() const { return numbering; }
    void SetNumbering(int style) { numbering = style; }

private:
    std::vector<Item> items;
    int chosenIndex = -1;
    int numbering = kNumberNone;
};

} // namespace torvik
