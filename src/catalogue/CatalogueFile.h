#pragma once

// The catalogue file: one HTML anchor per link, each followed by "<!name=value>" tags that carry the
// link's other fields. The same reader takes the links out of any HTML page the user imports, such
// as a browser's bookmarks export.

#include "catalogue/Catalogue.h"
#include "state/ProgramState.h"
#include "state/StatusDisplay.h"
#include "support/Clock.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// The catalogue file's name inside the base folder, for loading and saving alike (Linux tells
// letter cases apart, so both must spell it the same).
constexpr char CatalogueFileName[] = "tarnwick.dat";

// Folders.Base + CatalogueFileName.
std::string CatalogueFilePath(const Folders& folders);

// What the loader asks of the windows besides the status window.
class CatalogueLoadEvents
{
public:
    virtual ~CatalogueLoadEvents() = default;
    // Before a load that replaces the catalogue: the link details window shows no link (URL "",
    // update list "On Demand", time list "12:00 AM").
    virtual void ResetLinkDetails() = 0;
    // After a load: show the current link of the list in the link details window.
    virtual void ShowCurrentLink() = 0;
};

class NullCatalogueLoadEvents final : public CatalogueLoadEvents
{
public:
    void ResetLinkDetails() override { }
    void ShowCurrentLink() override { }
};

// Reads the links of the HTML file at path into the catalogue: with append false the catalogue is
// replaced, otherwise new links go after the existing ones; addresses the catalogue already holds
// are passed over. Each link added raises LinkCount and gets its NextDownload from the schedule
// rule. Shows its progress in the status window and lets pending events run between links.
// Afterwards the first link (replace) or the item after the previously current one (append) is
// current and shown; when that item does not exist nothing is shown. Returns false when the file
// could not be read; the catalogue is then left as it was after the reset (nothing is added).
bool LoadCatalogue(const std::string& path, bool append, Catalogue& links, LinkListView& list, StatusDisplay& status,
    CatalogueLoadEvents& events, const Clock& clock);

// Writes every link to CatalogueFilePath(folders). The text goes to a new file beside the old one,
// which then replaces it, so a failure (full disk, crash) leaves the old file whole. Returns false
// with an error text naming the file and the reason when the file could not be written.
bool SaveCatalogue(const Catalogue& links, const Folders& folders, std::string& error);

// The line of one link, ending in CR LF, as SaveCatalogue writes it.
std::string CatalogueLine(const LinkRecord& link);

// Finds open at or after position start (from 1) and then close beginning one character after
// open, both ignoring case. Returns the piece from open to the end of close, blanks trimmed from
// both ends, and sets start to the position of open. Returns "" and leaves start alone when open
// is "" or either is missing.
std::string FindBetween(std::string_view text, std::size_t& start, std::string_view open, std::string_view close);

// The text with its control characters removed (C0, DEL and the C1 range U+0080..U+009F), every
// printable character kept. Text that is not valid UTF-8 is read as Windows-1252 and converted to
// UTF-8 first, so the titles of older files keep their letters. The result is valid UTF-8.
std::string PrintableOnly(std::string_view text);

} // namespace tarnwick
