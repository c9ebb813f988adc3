#pragma once

#include <string>
#include <string_view>

namespace tarnwick::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in "/".
    const std::string& Path() const { return m_path; }
    // Path() + name.
    std::string File(std::string_view name) const;
    // Writes bytes to Path() + name (creating or truncating) and returns the full path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The bytes of Path() + name; "" when it cannot be read.
    std::string Read(std::string_view name) const;

private:
    std::string m_path;
};

} // namespace tarnwick::test
