#include "site/SiteOptions.h"

const char* const kSiteUsage =
    "usage: tavimo-site [--port N] [--data DIR] [--reports FILE] [--edge-pages]\n"
    "Serves the local stand-in for the Quaviro singing site on 127.0.0.1.\n"
    "  --port N        port to listen on (default 8479; 0 picks a free one);\n"
    "                  the port is printed as the first line on standard output\n"
    "  --data DIR      folder of the demo songs and songs.tsv (default: songs\n"
    "                  beside this program)\n"
    "  --reports FILE  append each exit report to FILE, and list the reports\n"
    "                  already in it\n"
    "  --edge-pages    also serve the test pages under /edge/\n"
    "Pages: /sbz1.aspx (search), /getmusic.aspx (fetch), /music/FILE, /help, /,\n"
    "/update, /login.aspx?param=BASE64 (exit report), /reports, /reports.txt\n";

namespace {

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    port = std::stoi(text);
    return port <= 65535;
}

}  // namespace

bool ParseSiteOptions(const std::vector<std::string>& arguments, SiteOptions& options,
                      std::string& error) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        const bool takesValue = name == "--port" || name == "--data" || name == "--reports";
        if (takesValue && !hasValue) {
            if (i + 1 == arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            value = arguments[++i];
        } else if (!takesValue && hasValue) {
            error = name + " takes no value";
            return false;
        }
        if (name == "--port") {
            if (!ParsePort(value, options.port)) {
                error = "--port takes a number from 0 to 65535, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--data" || name == "--reports") {
            if (value.empty()) {
                error = name + " needs a value";
                return false;
            }
            (name == "--data" ? options.dataFolder : options.reportsFile) = value;
        } else if (name == "--edge-pages") {
            options.edgePages = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else {
            error = "unknown option \"" + arguments[i] + "\"";
            return false;
        }
    }
    return true;
}
