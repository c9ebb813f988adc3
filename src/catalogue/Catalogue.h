#pragma once

// The catalogue: the ordered links (records 1 to N) and LinkCount, which decides whether the
// catalogue is saved at shut-down. The link list on the main window mirrors it item for item
// (list position k shows record k + 1); core operations keep the mirror in step through
// LinkListView, so they never see a widget.

#include "catalogue/LinkRecord.h"

#include <string>
#include <vector>

namespace tarnwick {

// The list that shows the catalogue: the main window's lstLinks, or a plain model in tests.
class LinkListView
{
public:
    virtual ~LinkListView() = default;
    virtual void ClearItems() = 0;
    virtual void AddItem(const std::string& title) = 0;
    virtual void RemoveItem(int position) = 0;
    virtual void SetItemText(int position, const std::string& title) = 0;
    virtual int ItemCount() const = 0;
    // The item with the focus (the current link); -1 when none.
    virtual int CurrentPosition() const = 0;
    virtual void SetCurrentPosition(int position) = 0;
    virtual bool IsSelected(int position) const = 0;
    virtual void SetSelected(int position, bool selected) = 0;
};

// A list without a window: keeps items, focus and selection in memory.
class MemoryLinkList final : public LinkListView
{
public:
    void ClearItems() override;
    void AddItem(const std::string& title) override;
    void RemoveItem(int position) override;
    void SetItemText(int position, const std::string& title) override;
    int ItemCount() const override { return static_cast<int>(m_items.size()); }
    int CurrentPosition() const override { return m_current; }
    void SetCurrentPosition(int position) override;
    bool IsSelected(int position) const override;
    void SetSelected(int position, bool selected) override;

    const std::vector<std::string>& Items() const { return m_items; }

private:
    std::vector<std::string> m_items;
    std::vector<bool> m_selected;
    int m_current = -1;
};

class Catalogue
{
public:
    // Number of links N; records are 1..N.
    int Count() const { return static_cast<int>(m_links.size()); }
    bool IsValidIndex(int i) const { return i >= 1 && i <= Count(); }
    LinkRecord& At(int i) { return m_links.at(static_cast<std::size_t>(i - 1)); }
    const LinkRecord& At(int i) const { return m_links.at(static_cast<std::size_t>(i - 1)); }
    const std::vector<LinkRecord>& Records() const { return m_links; }

    // LinkCount: raised by the loader for each link added and set to N by "Create New Link";
    // removals never lower it. The catalogue is saved at shut-down only when it is above 0.
    int LinkCount = 0;

    // Replace: empties the catalogue and the list and sets LinkCount to 0.
    void Replace(LinkListView& list);
    // Appends a record and its title as the last list item; returns its index.
    int Append(LinkRecord record, LinkListView& list);
    // Removes record i (1..N); later records move up whole.
    void Remove(int i, LinkListView& list);
    // Sets the title of record i and the text of its list item.
    void Rename(int i, const std::string& title, LinkListView& list);
    // Index of the first record whose URL equals url exactly; 0 when none.
    int FindURL(const std::string& url) const;

private:
    std::vector<LinkRecord> m_links;
};

} // namespace tarnwick
