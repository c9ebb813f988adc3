#pragma once

// nginx as a real peer for crawl tests: started on a free 127.0.0.1 port with a private
// configuration that serves one folder, stopped when the object goes.

#include <QProcess>
#include <string>
#include <vector>

namespace tarnwick::test {

class NginxServer
{
public:
    // Serves root (a folder). Available() tells whether nginx could be started.
    explicit NginxServer(const std::string& root);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool Available() const { return m_port != 0; }
    int Port() const { return m_port; }
    std::string HostWithPort() const { return "127.0.0.1:" + std::to_string(m_port); }
    // Why it could not be started.
    const std::string& Error() const { return m_error; }
    // Every request line served so far, in order, as the client sent it ("GET /a.htm"). nginx
    // writes each line before it closes the connection, so a finished transfer is always listed.
    std::vector<std::string> Requests() const;

private:
    QProcess m_process;
    std::string m_prefix;
    int m_port = 0;
    std::string m_error;
};

// The nginx executable, "" when it is not installed.
std::string NginxExecutable();

} // namespace tarnwick::test
