#pragma once

// Rewriting the pages of a run for offline reading: every reference whose target was fetched in
// the run (it is in the alias map) is replaced, inside its tag, by the local address of the stored
// copy, and a base line with the page's web address goes on top, so the references left alone
// still reach the web. Every other byte of the page stays as it was.

#include "retrieval/AliasMap.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"

#include <string>
#include <string_view>

namespace tarnwick {

// The address a web viewer opens the stored file by: "file://" and the absolute path, with the
// characters a viewer would misread (blank, "#", "?", "%") percent-encoded.
std::string LocalAddress(const std::string& cacheFolder, std::string_view fileName);

// Rewrites every stored page listed in the alias map (Folder.Base + "alias.dat"), reading a copy of
// it (temp.dat); pages that are missing or are not pages (no ".htm" in the name) are passed over.
// An index of the map, when the caller has one, saves a scan of the file per reference.
void UpdateLinks(ProgramState& state, StatusDisplay& display, AliasIndex* index = nullptr);

// Rewrites one stored page whose web address is pageURL; false when it could not be rewritten (the
// page is then left as it was). The references are resolved against pageURL and looked up in the
// alias map at aliasPath.
bool RewritePage(const std::string& cacheFolder, const std::string& fileName, const std::string& pageURL,
    const std::string& aliasPath, AliasEntry& currentAlias, AliasIndex* index = nullptr);

} // namespace tarnwick
