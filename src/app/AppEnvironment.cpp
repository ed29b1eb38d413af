#include "app/AppEnvironment.h"

#include "net/DnsResolver.h"
#include "project/Paths.h"

namespace quillet {

AppEnvironment AppEnvironment::Discover()
{
    AppEnvironment environment;
    environment.systemDnsServer = DiscoverNameServers();
    environment.smtpServer = DiscoverSmtpServer();
    PathContext context;
    context.programFolder = ProgramFolder();
    environment.settingsFolder = LocalPath(context, LocalKind::Settings, "");
    return environment;
}

} // namespace quillet
