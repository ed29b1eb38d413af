#pragma once

#include <string>

namespace quillet {

// What the application learns once at start-up and shares with every project window.
struct AppEnvironment {
    std::string systemDnsServer;
    std::string smtpServer;
    std::string settingsFolder;

    // The machine's DNS server and mail server, and the program's settings folder.
    static AppEnvironment Discover();
};

} // namespace quillet
