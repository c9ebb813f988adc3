#include "catalogue/Catalogue.h"

#include <algorithm>

namespace tarnwick {

void MemoryLinkList::ClearItems()
{
    m_items.clear();
    m_selected.clear();
    m_current = -1;
}

void MemoryLinkList::AddItem(const std::string& title)
{
    m_items.push_back(title);
    m_selected.push_back(false);
}

void MemoryLinkList::RemoveItem(int position)
{
    if (position < 0 || position >= ItemCount())
        return;
    m_items.erase(m_items.begin() + position);
    m_selected.erase(m_selected.begin() + position);
    // The focus stays on its item, as in a list box: an item removed before it moves it up.
    if (position < m_current)
        --m_current;
    else if (m_current >= ItemCount())
        m_current = ItemCount() - 1;
}

void MemoryLinkList::SetItemText(int position, const std::string& title)
{
    if (position >= 0 && position < ItemCount())
        m_items[static_cast<std::size_t>(position)] = title;
}

void MemoryLinkList::SetCurrentPosition(int position)
{
    m_current = (position >= 0 && position < ItemCount()) ? position : -1;
}

bool MemoryLinkList::IsSelected(int position) const
{
    return position >= 0 && position < ItemCount() && m_selected[static_cast<std::size_t>(position)];
}

void MemoryLinkList::SetSelected(int position, bool selected)
{
    if (position >= 0 && position < ItemCount())
        m_selected[static_cast<std::size_t>(position)] = selected;
}

void Catalogue::Replace(LinkListView& list)
{
    list.ClearItems();
    m_links.clear();
    LinkCount = 0;
}

int Catalogue::Append(LinkRecord record, LinkListView& list)
{
    list.AddItem(record.Title);
    m_links.push_back(std::move(record));
    return Count();
}

void Catalogue::Remove(int i, LinkListView& list)
{
    if (!IsValidIndex(i))
        return;
    list.RemoveItem(i - 1);
    m_links.erase(m_links.begin() + (i - 1));
}

void Catalogue::Rename(int i, const std::string& title, LinkListView& list)
{
    if (!IsValidIndex(i))
        return;
    At(i).Title = title;
    list.SetItemText(i - 1, title);
}

int Catalogue::FindURL(const std::string& url) const
{
    const auto it = std::find_if(m_links.begin(), m_links.end(), [&](const LinkRecord& r) { return r.URL == url; });
    return it == m_links.end() ? 0 : static_cast<int>(it - m_links.begin()) + 1;
}

} // namespace tarnwick
