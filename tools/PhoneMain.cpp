// korvane-phone: speaks the phone's side of the protocol, to check a server by hand or from tests.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/CommandLine.h"
#include "platform/ProgramVersion.h"
#include "tools/PhoneClient.h"

namespace {

constexpr char kUsage[] = R"(Usage: korvane-phone [options] FIELD...
Sends one request, as the KORVANE phone app does, and prints what the server answers.
The FIELDs are joined with TAB characters into the request data, for example:
  korvane-phone --port 65001 101                       settings check
  korvane-phone --port 65001 102 ABC-123 1 1 0         type ABC-123, Enter, capture
  korvane-phone --port 65001 103                       capture around the caret
  korvane-phone --port 65001 105 1080 1920             capture in the phone's screen ratio
Options:
  --host ADDRESS     server address (default 127.0.0.1)
  --port PORT        server port (default 65001)
  --key KEY          client key (default PHONE)
  --save FILE        where to save a capture the server sends (default: not saved)
  --no-ack           close the connection instead of acknowledging a capture
  --raw FILE         send the bytes of FILE as they are instead of a request
  --connections N    open N connections at once, each sending the same request (default 1)
  --timeout SECONDS  give up waiting for the server after this long (default 30)
  --help             show this text
  --version          show the version
Output: "file NAME SIZE" for a capture received, "reply FIELD..." (TAB-separated) for the
reply, or "error TEXT" when the server ends the conversation without one.
Exit status: 0 when every connection got a reply, 1 otherwise, 2 for bad arguments.
)";

struct Options {
    std::string host = "127.0.0.1";
    int port = 65001;
    std::string key = "PHONE";
    std::string save;
    std::string rawFile;
    bool acknowledge = true;
    int connections = 1;
    int timeoutSeconds = 30;
    std::vector<std::string> fields;
};

[[noreturn]] void usageError(const std::string& text) {
    std::cerr << "korvane-phone: " << text << "\nTry 'korvane-phone --help'.\n";
    std::exit(2);
}

int parseNumber(const std::string& option, const std::string& text, int low, int high) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high) {
        usageError(option + " needs a number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not '" + text + "'");
    }
    return static_cast<int>(value);
}

Options parse(const std::vector<std::string>& args) {
    Options options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                usageError(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--version") {
            std::cout << korvane::versionLine("korvane-phone");
            std::exit(0);
        } else if (arg == "--host") {
            options.host = value();
        } else if (arg == "--port") {
            options.port = parseNumber(arg, value(), 1, 65535);
        } else if (arg == "--key") {
            options.key = value();
        } else if (arg == "--save") {
            options.save = value();
        } else if (arg == "--raw") {
            options.rawFile = value();
        } else if (arg == "--no-ack") {
            options.acknowledge = false;
        } else if (arg == "--connections") {
            options.connections = parseNumber(arg, value(), 1, 1000);
        } else if (arg == "--timeout") {
            options.timeoutSeconds = parseNumber(arg, value(), 1, 3600);
        } else if (arg.rfind("--", 0) == 0) {
            usageError("unknown option " + arg);
        } else {
            options.fields.push_back(arg);
        }
    }
    if (options.fields.empty() && options.rawFile.empty()) {
        usageError("no request given");
    }
    return options;
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string data;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        data += (i ? "\t" : "") + fields[i];
    }
    return data;
}

// Sends the raw bytes and prints whatever comes back until the server closes.
std::string sendRaw(const Options& options, const std::string& bytes) {
    using namespace korvane::phone;
    try {
        PhoneConnection connection(options.host, static_cast<std::uint16_t>(options.port),
                                   options.timeoutSeconds * 1000);
        connection.sendRaw(bytes);
        Message message = connection.receiveMessage();
        return "message " + std::to_string(message.type) + " " + message.body;
    } catch (const PhoneError& e) {
        return std::string("error ") + e.what();
    }
}

std::string runConversation(const Options& options, int index) {
    using namespace korvane::phone;
    Outcome outcome =
        converse(options.host, static_cast<std::uint16_t>(options.port), options.key,
                 joinFields(options.fields), options.acknowledge, options.timeoutSeconds * 1000);
    std::ostringstream out;
    if (outcome.fileName) {
        out << "file " << *outcome.fileName << " " << outcome.fileBytes.size() << "\n";
        if (!options.save.empty()) {
            std::string path = options.save;
            if (options.connections > 1) {
                path += "." + std::to_string(index);
            }
            std::ofstream file(std::filesystem::u8path(path), std::ios::binary);
            file << outcome.fileBytes;
            file.close();
            if (!file) {
                out << "error cannot save the file to " << path << "\n";
            }
        }
    }
    if (outcome.reply) {
        out << "reply " << *outcome.reply;
    } else {
        out << "error " << outcome.error;
    }
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parse(korvane::commandLineArguments(argc, argv));
    std::string raw;
    if (!options.rawFile.empty()) {
        std::ifstream in(std::filesystem::u8path(options.rawFile), std::ios::binary);
        if (!in) {
            usageError("cannot read " + options.rawFile);
        }
        raw.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> results(static_cast<std::size_t>(options.connections));
    std::vector<std::thread> threads;
    for (int i = 0; i < options.connections; ++i) {
        threads.emplace_back([&, i] {
            results[static_cast<std::size_t>(i)] =
                options.rawFile.empty() ? runConversation(options, i) : sendRaw(options, raw);
        });
    }
    int status = 0;
    for (std::size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        if (options.connections > 1) {
            std::cout << "[" << i << "] ";
        }
        std::cout << results[i] << "\n";
        if (results[i].rfind("error ", 0) == 0 ||
            results[i].find("\nerror ") != std::string::npos) {
            status = 1;
        }
    }
    return status;
}
