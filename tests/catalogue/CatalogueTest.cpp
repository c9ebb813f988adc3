#include "catalogue/Catalogue.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// A record whose every field tells it apart from the others.
LinkRecord Distinct(int n)
{
    LinkRecord r;
    r.Title = "Title " + std::to_string(n);
    r.URL = "http://host" + std::to_string(n) + ".example/";
    r.LocalFile = "abcdefg" + std::to_string(n) + ".htm";
    r.Frequency = n % 9;
    r.Hour = n;
    r.Depth = n % 6;
    r.OutsideHosts = n % 2;
    r.LastDownload = 46000.25 + n;
    r.NextDownload = 46100.5 + n;
    return r;
}

std::vector<std::string> Titles(const Catalogue& links)
{
    std::vector<std::string> titles;
    for (const LinkRecord& r : links.Records())
        titles.push_back(r.Title);
    return titles;
}

TEST(Catalogue, NewCatalogueIsEmpty)
{
    Catalogue links;
    MemoryLinkList list;
    EXPECT_EQ(links.Count(), 0);
    EXPECT_EQ(links.LinkCount, 0);
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.CurrentPosition(), -1);
    EXPECT_FALSE(links.IsValidIndex(0));
    EXPECT_FALSE(links.IsValidIndex(1));
}

TEST(Catalogue, RemovingFromTheMiddleKeepsLaterLinksWhole)
{
    Catalogue links;
    MemoryLinkList list;
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(links.Append(Distinct(n), list), n);

    links.Remove(2, list);

    ASSERT_EQ(links.Count(), 4);
    EXPECT_EQ(links.At(1), Distinct(1));
    for (int i = 2; i <= 4; ++i)
        EXPECT_EQ(links.At(i), Distinct(i + 1)) << "record " << i;
    EXPECT_EQ(list.Items(), Titles(links));
}

TEST(Catalogue, RemovalNeverLowersLinkCount)
{
    Catalogue links;
    MemoryLinkList list;
    for (int n = 1; n <= 3; ++n) {
        links.Append(Distinct(n), list);
        ++links.LinkCount; // as the loader does
    }
    while (links.Count() > 0)
        links.Remove(links.Count(), list);
    EXPECT_EQ(links.LinkCount, 3) << "an emptied catalogue must still be saved at shut-down";
    EXPECT_EQ(list.ItemCount(), 0);

    links.Replace(list);
    EXPECT_EQ(links.LinkCount, 0);
}

TEST(Catalogue, ListStaysInStepWithTheRecords)
{
    Catalogue links;
    MemoryLinkList list;
    for (int n = 1; n <= 4; ++n)
        links.Append(Distinct(n), list);
    links.Rename(3, "Renamed", list);
    links.Remove(1, list);
    links.Append(Distinct(9), list);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Title 2", "Renamed", "Title 4", "Title 9"}));
    EXPECT_EQ(list.Items(), Titles(links));

    // Indexes outside 1..N, as when no link is current, change nothing.
    links.Remove(0, list);
    links.Remove(5, list);
    links.Rename(0, "Nowhere", list);
    links.Rename(-1, "Nowhere", list);
    EXPECT_EQ(links.Count(), 4);
    EXPECT_EQ(list.Items(), Titles(links));

    links.Replace(list);
    EXPECT_EQ(links.Count(), 0);
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.CurrentPosition(), -1);
}

TEST(Catalogue, FocusStaysOnItsLinkWhenAnEarlierOneIsRemoved)
{
    Catalogue links;
    MemoryLinkList list;
    for (int n = 1; n <= 4; ++n)
        links.Append(Distinct(n), list);
    list.SetCurrentPosition(2); // record 3
    links.Remove(1, list);
    EXPECT_EQ(list.CurrentPosition(), 1);
    EXPECT_EQ(links.At(list.CurrentPosition() + 1).Title, "Title 3");

    links.Remove(3, list); // after the focus: it stays
    EXPECT_EQ(list.CurrentPosition(), 1);
    links.Remove(2, list); // the focused last item: the focus goes to the new last one
    EXPECT_EQ(list.CurrentPosition(), 0);
}

TEST(Catalogue, DuplicateAddressesAreAllowedByHand)
{
    Catalogue links;
    MemoryLinkList list;
    LinkRecord first = Distinct(1);
    LinkRecord second = Distinct(2);
    second.URL = first.URL;
    links.Append(first, list);
    links.Append(second, list);
    EXPECT_EQ(links.Count(), 2);
    EXPECT_EQ(links.FindURL(first.URL), 1);
    EXPECT_EQ(links.FindURL("http://HOST1.example/"), 0) << "addresses compare exactly";
}

} // namespace
} // namespace tarnwick
