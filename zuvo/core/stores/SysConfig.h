#pragma once

#include <string>

#include "cfgtree/Config.h"
#include "core/stores/FaxServerTable.h"
#include "spindle/VMutex.h"

// The installation-wide settings in config.xml (program directory, GB2312,
// root element Config): web pages, login mode, branding, version, the fax
// servers with the chosen one, and the Key digest that binds them. The
// program never creates config.xml. Getters return copies; one lock guards
// the document.
class SysConfig {
public:
    SysConfig() = default;
    virtual ~SysConfig() = default;
    SysConfig(const SysConfig&) = delete;
    SysConfig& operator=(const SysConfig&) = delete;

    // The process's instance, created on first use and never destroyed.
    static SysConfig& Instance();

    // Loads config.xml from the program directory on the first successful
    // call; 1 when the document is open.
    int Open();
    // The same with another file (tools and tests).
    int Open(const std::string& file);
    int IsOpen();
    // Saves the document when open: the result of the save; 0 when closed.
    int Save();

    std::string GetAdUrl();
    std::string GetAdminUrl();
    std::string GetReqAccountUrl();
    std::string GetOnlinePayUrl();
    std::string GetOnlineHelpUrl();
    std::string GetLoginMode();   // "web" selects the web login
    std::string GetLogoName();    // "Zuvo网络传真" when closed
    std::string GetVersion();     // "V4200" when closed, missing or empty
    std::string GetReleaseMode(); // "Talvin" when closed, missing or empty

    // Refills the server table from System/FaxServers/FaxServer: the first
    // twelve servers, the remaining slots cleared.
    void LoadFaxServers();
    FaxServerTable& Servers() { return servers_; }

    // Current attribute of System/FaxServers as a number (0 when closed or missing).
    int GetCurrentServer();
    // Stores n as Current (creating it when missing) and saves: the save's result.
    int SetCurrentServer(int n);

    // The digest of the configuration values (32 lowercase hex digits), ""
    // when closed or when a value has no GBK form.
    std::string ComputeKey();
    // 1 when System/Key equals the digest, ignoring letter case; 0 otherwise
    // (also when config.xml is not open).
    int CheckKey();

private:
    std::string text(const char* path, const char* whenClosed, const char* whenEmpty);

    Spindle::VMutex mutex_; // guards the document across each operation
    Config document_;
    FaxServerTable servers_;
};
