#pragma once

// Starting other programs (the web viewer, the dial-up program), bringing their windows to the
// front and typing into them.

#include <string>
#include <vector>

namespace tarnwick {

class Programs
{
public:
    virtual ~Programs() = default;
    // Starts program with arguments, without waiting for it; its process id, or 0 when it could not
    // be started.
    virtual long long Start(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// Starts programs detached from this one.
class DetachedPrograms final : public Programs
{
public:
    long long Start(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace tarnwick
