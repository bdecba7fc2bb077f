#pragma once
// A popup menu as the value entry builds it: titled items, some checked.
#include <string>
#include <vector>

namespace torvik {

class IPopupMenu {
public:
    struct Item {
        std::string title;
        bool checked = false;
    };

    void AddItem(const char* title, bool checked = false) {
        items.push_back({title ? title : "", checked});
    }
    int ItemCount() const { return static_cast<int>(items.size()); }
    const Item& ItemAt(int i) const { return items[static_cast<std::size_t>(i)]; }
    // Index of the item the user chose, -1 for none.
    int ChosenIndex() const { return chosenIndex; }
    void SetChosenIndex(int i) { chosenIndex = i; }

private:
    std::vector<Item> items;
    int chosenIndex = -1;
};

} // namespace torvik
