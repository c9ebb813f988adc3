#pragma once

// The request block through which a command talks to the file-open dialog: the command puts a
// filter (and a fallback path) in, shows the dialog modally and reads the chosen path out.

#include <string>

namespace tarnwick {

struct FileDialogRequest
{
    // Out: after OK the chosen folder, "/" and the text of the file-name box; after Cancel "". The
    // dialog never reads it, so when it is closed from its frame the caller's value stays.
    std::string Path;
    // In, consumed: description and pattern pairs, every piece separated from the next by "|",
    // description first ("Hypertext (*.htm)|*.htm|All Files(*.*)|*.*"). Empty after the dialog.
    std::string Filter;
};

} // namespace tarnwick
