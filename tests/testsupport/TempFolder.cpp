#include "testsupport/TempFolder.h"

#include "support/Files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tarnwick::test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern + "/";
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::File(std::string_view name) const
{
    return m_path + std::string(name);
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const
{
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string TempFolder::Read(std::string_view name) const
{
    std::string contents;
    ReadWholeFile(File(name), contents);
    return contents;
}

} // namespace tarnwick::test
