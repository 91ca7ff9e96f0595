#pragma once
// The other side of the sync tests, shared by the engine's and the windows' tests: caldav_peer.py
// started once per test program ("serve": Radicale on a free localhost port with the user
// ann/secret, and a secret service on a private session bus), and its second-client commands.
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace zc::test {

// A helper program with its standard input held open (closing it ends the helper) and the first
// line of its output read.
struct Helper {
    pid_t pid = -1;
    int in = -1;
    std::string firstLine;
    bool start(const std::vector<std::string>& argv) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        FILE* out = fdopen(fromChild[0], "r");
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, out) != nullptr;
        std::fclose(out);
        firstLine = line;
        return read;
    }
    void stop() {
        if (in >= 0) close(in);
        if (pid > 0) waitpid(pid, nullptr, 0);
        in = pid = -1;
    }
};

inline std::string run(const std::string& command, int* code = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    while (p && std::fgets(buffer, sizeof buffer, p)) out += buffer;
    const int status = p ? pclose(p) : -1;
    if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// The server of one test program; port 0 where Radicale or python3-caldav is missing.
struct PeerServer {
    static inline const std::string kPython = "/usr/bin/python3";
    static inline const std::string kScript = ZORVEL_TEST_SCRIPTS "/caldav_peer.py";
    Helper helper;
    int port = 0;
    std::filesystem::path folder;

    void start() {
        if (!std::filesystem::exists("/usr/bin/radicale") ||
            run(kPython + " -c 'import caldav, radicale' 2>&1") != "")
            return;
        folder = std::filesystem::temp_directory_path() / ("zorvel-caldav-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        if (!helper.start({kPython, kScript, "serve", folder.string()})) return;
        std::istringstream line(helper.firstLine);
        std::string word, bus;
        line >> word >> port >> word >> bus;
        // The program's secret store finds the test's secret service there.
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    }
    void stop() {
        helper.stop();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        port = 0;
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port) + "/"; }
    // The second client on the calendar at url (the server's root when empty).
    std::string peer(const std::string& args, const std::string& url = "") const {
        return run(kPython + " " + kScript + " '" + (url.empty() ? base() : url) + "' ann secret " + args);
    }
};

} // namespace zc::test
