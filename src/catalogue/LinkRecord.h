#pragma once

#include <string>

namespace tarnwick {

// One link of the catalogue.
struct LinkRecord
{
    std::string Title;
    std::string URL;
    std::string LocalFile; // name of the stored start page in the cache folder; "" when none
    int Frequency = 0; // 0 on demand, 1 daily, 2..8 Sunday..Saturday
    int Hour = 0; // 0..23
    int Depth = 0; // 0..5 as kept by the details window; the loader takes what the file holds
    int OutsideHosts = 0; // 1: the crawl may leave the link's host
    double LastDownload = 0; // day number; 0 never
    double NextDownload = 0; // day number; 0 not scheduled; never stored

    bool operator==(const LinkRecord&) const = default;
};

} // namespace tarnwick
