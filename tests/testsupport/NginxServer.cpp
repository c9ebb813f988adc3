#include "testsupport/NginxServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tarnwick::test {

namespace {

int FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool Accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket.waitForConnected(200);
}

} // namespace

std::string NginxExecutable()
{
    for (const char* candidate : {"/usr/sbin/nginx", "/usr/bin/nginx"}) {
        if (::access(candidate, X_OK) == 0)
            return candidate;
    }
    return {};
}

NginxServer::NginxServer(const std::string& root)
{
    const std::string nginx = NginxExecutable();
    if (nginx.empty()) {
        m_error = "nginx is not installed";
        return;
    }
    std::string prefix = (std::filesystem::temp_directory_path() / "tarnwick-nginx-XXXXXX").string();
    if (::mkdtemp(prefix.data()) == nullptr) {
        m_error = "cannot make the nginx folder";
        return;
    }
    m_prefix = prefix + "/";
    std::filesystem::create_directories(m_prefix + "logs");

    for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
        const int port = FreePort();
        std::ofstream conf(m_prefix + "nginx.conf", std::ios::trunc);
        conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
             << (::getuid() == 0 ? "user root;\n" : "") << "error_log " << m_prefix << "logs/error.log;\n"
             << "pid " << m_prefix << "nginx.pid;\n"
             << "events { worker_connections 256; }\n"
             << "http {\n  log_format requests '$request';\n  access_log " << m_prefix
             << "logs/access.log requests;\n  sendfile on;\n"
             << "  client_body_temp_path " << m_prefix << "body;\n  proxy_temp_path " << m_prefix << "proxy;\n"
             << "  fastcgi_temp_path " << m_prefix << "fastcgi;\n  uwsgi_temp_path " << m_prefix << "uwsgi;\n"
             << "  scgi_temp_path " << m_prefix << "scgi;\n"
             << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << root << ";\n  }\n}\n";
        conf.close();

        m_process.start(QString::fromStdString(nginx),
            {QStringLiteral("-c"), QString::fromStdString(m_prefix + "nginx.conf"), QStringLiteral("-p"),
                QString::fromStdString(m_prefix)});
        if (!m_process.waitForStarted(5000)) {
            m_error = "nginx did not start";
            continue;
        }
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 5000 && m_process.state() == QProcess::Running && !Accepts(port))
            QThread::msleep(20);
        if (m_process.state() == QProcess::Running && Accepts(port)) {
            m_port = port;
        } else {
            m_error = "nginx did not listen: " + m_process.readAllStandardError().toStdString();
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
}

std::vector<std::string> NginxServer::Requests() const
{
    std::vector<std::string> lines;
    std::ifstream log(m_prefix + "logs/access.log");
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

NginxServer::~NginxServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    if (!m_prefix.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_prefix, ignored);
    }
}

} // namespace tarnwick::test
